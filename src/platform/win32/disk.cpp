#include "platform/disk.h"

#include <windows.h>

namespace platform {

namespace {

HANDLE handle_of(DiskHandle disk) {
    return reinterpret_cast<HANDLE>(disk);
}

}  // namespace

// The path "\\.\PHYSICALDRIVE<n>" names the physical drive as it stands.
DiskHandle disk_open(const char* drive_path) {
    const HANDLE disk = ::CreateFileA(
        drive_path, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
        FILE_FLAG_WRITE_THROUGH | FILE_FLAG_NO_BUFFERING | FILE_FLAG_RANDOM_ACCESS, nullptr);
    return disk == INVALID_HANDLE_VALUE ? INVALID_DISK_HANDLE : reinterpret_cast<DiskHandle>(disk);
}

bool disk_set_position(DiskHandle disk, uint64_t byte_offset) {
    LARGE_INTEGER position{};
    position.QuadPart = static_cast<LONGLONG>(byte_offset);
    return ::SetFilePointerEx(handle_of(disk), position, nullptr, FILE_BEGIN) != 0;
}

bool disk_read(DiskHandle disk, void* buffer, uint32_t bytes) {
    DWORD done = 0;
    return ::ReadFile(handle_of(disk), buffer, bytes, &done, nullptr) && done == bytes;
}

bool disk_write(DiskHandle disk, const void* buffer, uint32_t bytes) {
    DWORD done = 0;
    return ::WriteFile(handle_of(disk), buffer, bytes, &done, nullptr) && done == bytes;
}

void disk_close(DiskHandle disk) {
    if (disk != INVALID_DISK_HANDLE) {
        ::CloseHandle(handle_of(disk));
    }
}

}  // namespace platform

#include "platform/disk.h"

#include <windows.h>

#include <cstdio>

#include "platform/debug_output.h"
#include "platform/win32/station_disk.h"

namespace platform {

namespace {

HANDLE handle_of(DiskHandle disk) {
    return reinterpret_cast<HANDLE>(disk);
}

DiskHandle refuse(const char* drive_path, const char* reason) {
    char text[1200];
    std::snprintf(text, sizeof text, "refused %s: %s\n", drive_path, reason);
    debug_output(text);
    return REFUSED_DISK_HANDLE;
}

}  // namespace

// The path "\\.\PHYSICALDRIVE<n>" names the physical drive as it stands. A
// disk of the station is refused before the drive is opened for writing.
DiskHandle disk_open(const char* drive_path) {
    char reason[1000];
    if (is_station_disk(drive_path, reason, sizeof reason)) {
        return refuse(drive_path, reason);
    }
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

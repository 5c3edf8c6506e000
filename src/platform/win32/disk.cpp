#include "platform/disk.h"

#include <windows.h>
#include <winioctl.h>

#include <cstdio>

#include "platform/debug_output.h"
#include "platform/win32/drive_claim.h"
#include "platform/win32/station_disk.h"

namespace platform {

namespace {

HANDLE handle_of(DiskHandle disk) {
    return reinterpret_cast<HANDLE>(disk);
}

// The reason goes to the debugger output.
DiskHandle refuse(const char* drive_path, const char* reason, DiskHandle answer) {
    char text[1200];
    std::snprintf(text, sizeof text, "refused %s: %s\n", drive_path, reason);
    debug_output(text);
    return answer;
}

}  // namespace

// The path "\\.\PHYSICALDRIVE<n>" names the physical drive as it stands. A
// disk of the station, and a drive another run holds, are refused before the
// drive is opened for writing.
DiskHandle disk_open(const char* drive_path) {
    char reason[1000];
    if (is_station_disk(drive_path, reason, sizeof reason)) {
        return refuse(drive_path, reason, REFUSED_DISK_HANDLE);
    }
    switch (claim_drive(drive_path)) {
        case DriveClaim::held:
            break;
        case DriveClaim::held_by_another_process:
            return refuse(drive_path, "another process holds it", BUSY_DISK_HANDLE);
        case DriveClaim::failed:
            return INVALID_DISK_HANDLE;
    }
    const HANDLE disk = ::CreateFileA(
        drive_path, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
        FILE_FLAG_WRITE_THROUGH | FILE_FLAG_NO_BUFFERING | FILE_FLAG_RANDOM_ACCESS, nullptr);
    return disk == INVALID_HANDLE_VALUE ? INVALID_DISK_HANDLE : reinterpret_cast<DiskHandle>(disk);
}

bool disk_size(DiskHandle disk, uint64_t* bytes) {
    GET_LENGTH_INFORMATION length{};
    DWORD got = 0;
    if (::DeviceIoControl(handle_of(disk), IOCTL_DISK_GET_LENGTH_INFO, nullptr, 0, &length, sizeof length,
                          &got, nullptr) &&
        got >= sizeof length) {
        *bytes = static_cast<uint64_t>(length.Length.QuadPart);
        return true;
    }
    // A file standing in for a drive has no storage driver to ask.
    LARGE_INTEGER file_size{};
    if (!::GetFileSizeEx(handle_of(disk), &file_size)) {
        return false;
    }
    *bytes = static_cast<uint64_t>(file_size.QuadPart);
    return true;
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

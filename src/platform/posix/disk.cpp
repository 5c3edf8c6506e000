#include "platform/disk.h"

#include <errno.h>
#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "platform/debug_output.h"
#include "platform/posix/drive_claim.h"
#include "platform/posix/station_disk.h"

namespace platform {

namespace {

constexpr char WINDOWS_DRIVE_PREFIX[] = "\\\\.\\";

// "\\.\PHYSICALDRIVE3" -> "<device dir>/PHYSICALDRIVE3".
bool posix_drive_path(const char* drive_path, char* out, size_t capacity) {
    const size_t prefix = sizeof WINDOWS_DRIVE_PREFIX - 1;
    const char* name =
        std::strncmp(drive_path, WINDOWS_DRIVE_PREFIX, prefix) == 0 ? drive_path + prefix : drive_path;
    const char* dir = std::getenv("PRODTOOL_DEVICE_DIR");
    if (dir == nullptr || *dir == '\0') {
        dir = "/dev";
    }
    const int length = std::snprintf(out, capacity, "%s/%s", dir, name);
    return length > 0 && static_cast<size_t>(length) < capacity;
}

// The reason goes to the diagnostics channel.
DiskHandle refuse(const char* drive_path, const char* path, const char* reason, DiskHandle answer) {
    char text[4800];
    std::snprintf(text, sizeof text, "refused %s (%s): %s\n", drive_path, path, reason);
    debug_output(text);
    return answer;
}

}  // namespace

DiskHandle disk_open(const char* drive_path) {
    char path[4096];
    if (!posix_drive_path(drive_path, path, sizeof path)) {
        return INVALID_DISK_HANDLE;
    }
    char reason[600];
    if (is_station_disk(path, reason, sizeof reason)) {
        return refuse(drive_path, path, reason, REFUSED_DISK_HANDLE);
    }
    // Claimed before it is opened for writing: a second run never gets as
    // far as the drive's exclusive open, which the first run's reopen needs.
    switch (claim_drive(path)) {
        case DriveClaim::held:
            break;
        case DriveClaim::held_by_another_process:
            return refuse(drive_path, path, "another process holds it", BUSY_DISK_HANDLE);
        case DriveClaim::failed:
            return INVALID_DISK_HANDLE;
    }
    // Existing device only (no O_CREAT); unbuffered and write-through. A
    // block device is claimed for the run: the kernel refuses the claim while
    // it holds the disk, and nothing mounts it while the tool writes.
    const int exclusive = is_block_device(path) ? O_EXCL : 0;
    const int fd = ::open(path, O_RDWR | O_DIRECT | O_SYNC | O_CLOEXEC | exclusive);
    if (fd < 0 && exclusive != 0 && errno == EBUSY) {
        return refuse(drive_path, path, "the system holds it (swap, RAID or a volume manager)",
                      REFUSED_DISK_HANDLE);
    }
    return fd < 0 ? INVALID_DISK_HANDLE : fd;
}

bool disk_size(DiskHandle disk, uint64_t* bytes) {
    const int descriptor = static_cast<int>(disk);
    struct stat status {};
    if (::fstat(descriptor, &status) != 0) {
        return false;
    }
    if (S_ISBLK(status.st_mode)) {
        return ::ioctl(descriptor, BLKGETSIZE64, bytes) == 0;
    }
    if (S_ISREG(status.st_mode)) {
        *bytes = static_cast<uint64_t>(status.st_size);
        return true;
    }
    return false;
}

bool disk_set_position(DiskHandle disk, uint64_t byte_offset) {
    return ::lseek(static_cast<int>(disk), static_cast<off_t>(byte_offset), SEEK_SET) >= 0;
}

bool disk_read(DiskHandle disk, void* buffer, uint32_t bytes) {
    return ::read(static_cast<int>(disk), buffer, bytes) == static_cast<ssize_t>(bytes);
}

bool disk_write(DiskHandle disk, const void* buffer, uint32_t bytes) {
    return ::write(static_cast<int>(disk), buffer, bytes) == static_cast<ssize_t>(bytes);
}

void disk_close(DiskHandle disk) {
    if (disk != INVALID_DISK_HANDLE) {
        ::close(static_cast<int>(disk));
    }
}

}  // namespace platform

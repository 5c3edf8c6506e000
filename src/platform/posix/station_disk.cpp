#include "platform/posix/station_disk.h"

#include <dirent.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>

#include <cstdio>
#include <cstring>

#include "platform/posix/mount_table.h"

namespace platform {

namespace {

// The disk and its partitions.
struct DiskDevices {
    dev_t device[256];
    size_t count;
};

// A stacked device (volume manager, RAID, encryption) is followed this many
// levels down to the disks it stands on.
constexpr int MAX_STACK_DEPTH = 8;

bool read_device_number(const char* dev_file, dev_t* out) {
    std::FILE* file = std::fopen(dev_file, "r");
    if (file == nullptr) {
        return false;
    }
    unsigned major = 0;
    unsigned minor = 0;
    const bool read = std::fscanf(file, "%u:%u", &major, &minor) == 2;
    std::fclose(file);
    *out = makedev(major, minor);
    return read;
}

void sysfs_directory(dev_t device, const char* below, char* out, size_t capacity) {
    std::snprintf(out, capacity, "/sys/dev/block/%u:%u%s", major(device), minor(device), below);
}

bool file_exists(const char* path) {
    struct stat status {};
    return ::stat(path, &status) == 0;
}

// Calls `take` with the device number of every entry of the directory that
// has a "dev" file (and the file `marker`, when given).
template <typename Take>
void for_each_device_in(const char* directory, const char* marker, Take take) {
    DIR* entries = ::opendir(directory);
    if (entries == nullptr) {
        return;
    }
    while (const dirent* entry = ::readdir(entries)) {
        if (entry->d_name[0] == '.') {
            continue;
        }
        char path[512];
        if (marker != nullptr) {
            std::snprintf(path, sizeof path, "%s/%s/%s", directory, entry->d_name, marker);
            if (!file_exists(path)) {
                continue;
            }
        }
        std::snprintf(path, sizeof path, "%s/%s/dev", directory, entry->d_name);
        dev_t device = 0;
        if (read_device_number(path, &device)) {
            take(device);
        }
    }
    ::closedir(entries);
}

DiskDevices disk_devices(dev_t disk) {
    DiskDevices devices{{disk}, 1};
    char directory[128];
    sysfs_directory(disk, "", directory, sizeof directory);
    for_each_device_in(directory, "partition", [&devices](dev_t partition) {
        if (devices.count < sizeof devices.device / sizeof devices.device[0]) {
            devices.device[devices.count++] = partition;
        }
    });
    return devices;
}

bool stands_on(dev_t device, const DiskDevices& disk, int depth) {
    for (size_t i = 0; i < disk.count; ++i) {
        if (disk.device[i] == device) {
            return true;
        }
    }
    if (depth == MAX_STACK_DEPTH) {
        return false;
    }
    char slaves[128];
    sysfs_directory(device, "/slaves", slaves, sizeof slaves);
    bool found = false;
    for_each_device_in(slaves, nullptr,
                       [&](dev_t slave) { found = found || stands_on(slave, disk, depth + 1); });
    return found;
}

// A file system names its device by number, and by its source where the
// number is not a device's (as for a file system of several devices).
bool mount_stands_on(const MountEntry& mount, const DiskDevices& disk) {
    if (stands_on(makedev(mount.major, mount.minor), disk, 0)) {
        return true;
    }
    struct stat source {};
    return mount.source[0] == '/' && ::stat(mount.source, &source) == 0 && S_ISBLK(source.st_mode) &&
           stands_on(source.st_rdev, disk, 0);
}

bool find_mount_on(const DiskDevices& disk, char* reason, size_t capacity) {
    std::FILE* table = std::fopen("/proc/self/mountinfo", "r");
    if (table == nullptr) {
        return false;
    }
    bool found = false;
    char line[4096];
    while (!found && std::fgets(line, sizeof line, table) != nullptr) {
        MountEntry mount;
        if (parse_mount_line(line, &mount) && mount_stands_on(mount, disk)) {
            std::snprintf(reason, capacity, "%s is mounted on %s", mount.source, mount.mount_point);
            found = true;
        }
    }
    std::fclose(table);
    return found;
}

}  // namespace

bool is_block_device(const char* path) {
    struct stat status {};
    return ::stat(path, &status) == 0 && S_ISBLK(status.st_mode);
}

bool is_station_disk(const char* path, char* reason, size_t capacity) {
    struct stat status {};
    if (::stat(path, &status) != 0 || !S_ISBLK(status.st_mode)) {
        return false;
    }
    const DiskDevices disk = disk_devices(status.st_rdev);
    struct stat root {};
    if (::stat("/", &root) == 0 && stands_on(root.st_dev, disk, 0)) {
        std::snprintf(reason, capacity, "the running system stands on it");
        return true;
    }
    return find_mount_on(disk, reason, capacity);
}

}  // namespace platform

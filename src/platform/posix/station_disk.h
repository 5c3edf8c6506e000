// Whether a disk is one the station itself uses (platform/disk.h,
// REFUSED_DISK_HANDLE): it, or one of its partitions, holds a mounted file
// system or the running system.
#pragma once

#include <cstddef>

namespace platform {

// True for a block device at `path` (links followed) that is or holds a
// partition that is mounted, or that "/" stands on, also through stacked
// devices. `reason` then says which. Anything but a block device is false.
bool is_station_disk(const char* path, char* reason, size_t capacity);

bool is_block_device(const char* path);

}  // namespace platform

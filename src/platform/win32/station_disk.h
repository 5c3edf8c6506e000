// Whether a drive is a disk the station itself uses (platform/disk.h,
// REFUSED_DISK_HANDLE): a volume with a drive letter or a mount point, the
// system volume or a page file's volume lies on it.
#pragma once

#include <cstddef>
#include <cstdint>

namespace platform {

// True for a physical drive path whose disk (platform/station_disk_rule.h)
// holds a volume of the station; `reason` then says which. The drive is only
// asked questions, through a handle without read or write access. Any other
// path is false.
bool is_station_disk(const char* drive_path, char* reason, size_t capacity);

// The three kinds of station volume, each true when one of its kind lies on
// the disk, with the reason. A volume that cannot be opened or asked is
// passed over.
bool system_volume_on(uint32_t disk, char* reason, size_t capacity);
bool page_file_volume_on(uint32_t disk, char* reason, size_t capacity);
bool mounted_volume_on(uint32_t disk, char* reason, size_t capacity);

}  // namespace platform

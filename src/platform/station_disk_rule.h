// The rule that makes a drive one of the station's own disks on Windows
// (platform/disk.h, REFUSED_DISK_HANDLE), apart from the system calls that
// gather what it decides on.
#pragma once

#include <cstdint>
#include <optional>
#include <span>

namespace platform {

// The disk number n of a drive path "\\.\PHYSICALDRIVE<n>" or
// "\\?\PHYSICALDRIVE<n>", the name in any case as the system takes it.
// Nothing for any other path.
std::optional<uint32_t> physical_drive_number(const char* drive_path);

// The disk a drive is checked as: the number the system answered for the
// opened drive, else the number its path names. A drive that answers nothing
// is still checked, and a drive in factory mode then passes, holding no
// volume. Nothing for a path that names no physical drive (a file standing
// in for one), which is never refused.
std::optional<uint32_t> disk_to_check(const char* drive_path, std::optional<uint32_t> answered_disk);

// A volume lies on the disk its own device number names (a volume on one
// partition) and on every disk one of its extents lies on (a volume that
// spans disks answers only with extents).
bool volume_lies_on_disk(std::optional<uint32_t> device_disk, std::span<const uint32_t> extent_disks,
                         uint32_t disk);

}  // namespace platform

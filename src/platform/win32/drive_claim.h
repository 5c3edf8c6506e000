// The claim of a process on the drive it produces (platform/disk.h,
// BUSY_DISK_HANDLE).
#pragma once

namespace platform {

enum class DriveClaim { held, held_by_another_process, failed };

// Claims the physical drive of a path "\\.\PHYSICALDRIVE<n>" for this
// process by owning the mutex "Global\prodtool PHYSICALDRIVE<n>", kept until
// the process ends (an owner that dies abandons it to the next run). A drive
// the process holds already stays held; claiming another drive moves the
// claim to it. A path that names no physical drive is held unclaimed.
DriveClaim claim_drive(const char* drive_path);

}  // namespace platform

// The claim of a process on the drive it produces (platform/disk.h,
// BUSY_DISK_HANDLE).
#pragma once

namespace platform {

enum class DriveClaim { held, held_by_another_process, failed };

// Claims the drive at `path` (links followed) for this process with an
// exclusive flock on a read-only descriptor of it, kept open until the
// process ends. A drive the process holds already stays held; claiming
// another drive moves the claim to it. `failed` when the drive cannot be
// opened or locked for another reason.
DriveClaim claim_drive(const char* path);

}  // namespace platform

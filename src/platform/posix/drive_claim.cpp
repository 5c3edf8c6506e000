#include "platform/posix/drive_claim.h"

#include <errno.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {

namespace {

// Carries the claim. The drive's own descriptor is closed and opened again
// within a run (after the drive-side test), and a lock on it would end with
// each close: this one stays open, so no other run can come in between.
int claim_descriptor = -1;

bool is_file_of(int descriptor, const char* path) {
    struct stat held {};
    struct stat named {};
    return ::fstat(descriptor, &held) == 0 && ::stat(path, &named) == 0 && held.st_dev == named.st_dev &&
           held.st_ino == named.st_ino;
}

}  // namespace

DriveClaim claim_drive(const char* path) {
    if (claim_descriptor >= 0 && is_file_of(claim_descriptor, path)) {
        return DriveClaim::held;
    }
    // Read-only and not exclusive: the claim itself reaches nothing of the
    // drive and leaves the exclusive open of the drive to the drive's own
    // descriptor.
    const int descriptor = ::open(path, O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (descriptor < 0) {
        return DriveClaim::failed;
    }
    if (::flock(descriptor, LOCK_EX | LOCK_NB) != 0) {
        const bool held_elsewhere = errno == EWOULDBLOCK;
        ::close(descriptor);
        return held_elsewhere ? DriveClaim::held_by_another_process : DriveClaim::failed;
    }
    if (claim_descriptor >= 0) {
        ::close(claim_descriptor);
    }
    claim_descriptor = descriptor;
    return DriveClaim::held;
}

}  // namespace platform

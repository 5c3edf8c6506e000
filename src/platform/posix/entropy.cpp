#include "platform/entropy.h"

#include <errno.h>
#include <fcntl.h>
#include <sys/random.h>
#include <unistd.h>

namespace platform {

namespace {

// For a kernel without getrandom (or a sandbox that forbids it).
bool read_urandom(uint8_t* out, size_t count) {
    const int device = ::open("/dev/urandom", O_RDONLY | O_CLOEXEC);
    if (device < 0) {
        return false;
    }
    while (count > 0) {
        const ssize_t got = ::read(device, out, count);
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got <= 0) {
            break;
        }
        out += got;
        count -= static_cast<size_t>(got);
    }
    ::close(device);
    return count == 0;
}

}  // namespace

// getrandom waits only until the kernel's pool has been seeded once after
// boot, then never blocks.
bool entropy_bytes(uint8_t* out, size_t count) {
    while (count > 0) {
        const ssize_t got = ::getrandom(out, count, 0);
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got < 0) {
            return errno == ENOSYS || errno == EPERM ? read_urandom(out, count) : false;
        }
        out += got;
        count -= static_cast<size_t>(got);
    }
    return true;
}

}  // namespace platform

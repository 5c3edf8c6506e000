#include "platform/append_file.h"

#include <errno.h>
#include <fcntl.h>
#include <unistd.h>

namespace platform {

bool append_to_file(const char* path, const void* bytes, size_t count) {
    const int file = ::open(path, O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0644);
    if (file < 0) {
        return false;
    }
    // A second write for the rest of a short one would no longer be one
    // append: nothing is written again once a part is in.
    ssize_t written;
    do {
        written = ::write(file, bytes, count);
    } while (written < 0 && errno == EINTR);
    ::close(file);
    return written == static_cast<ssize_t>(count);
}

}  // namespace platform

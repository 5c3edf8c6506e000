#include "platform/synced_file.h"

#include <fcntl.h>
#include <unistd.h>

namespace station {

bool append_synced(const std::string& path, std::string_view text) {
    const int file = ::open(path.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
    if (file < 0) {
        return false;
    }
    // O_APPEND puts the one write whole at the end, whoever else appends.
    const ssize_t written = ::write(file, text.data(), text.size());
    const bool synced = ::fsync(file) == 0;
    return ::close(file) == 0 && synced && written == static_cast<ssize_t>(text.size());
}

}  // namespace station

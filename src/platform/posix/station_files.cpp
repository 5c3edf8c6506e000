#include "platform/station_files.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>

namespace platform {

namespace {

bool write_all(int fd, const uint8_t* bytes, size_t count) {
    while (count > 0) {
        const ssize_t written = ::write(fd, bytes, count);
        if (written < 0 && errno == EINTR) {
            continue;
        }
        if (written <= 0) {
            return false;
        }
        bytes += written;
        count -= static_cast<size_t>(written);
    }
    return true;
}

// A rename or an unlink reaches the disk with the directory that holds it.
bool sync_directory_of(const std::string& path) {
    const size_t slash = path.rfind('/');
    const std::string directory = slash == std::string::npos ? "." : slash == 0 ? "/" : path.substr(0, slash);
    const int fd = ::open(directory.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) {
        return false;
    }
    const bool synced = ::fsync(fd) == 0;
    ::close(fd);
    return synced;
}

}  // namespace

bool make_directory(const char* path) {
    if (::mkdir(path, 0755) == 0) {
        return sync_directory_of(path);
    }
    struct stat status;
    return errno == EEXIST && ::stat(path, &status) == 0 && S_ISDIR(status.st_mode);
}

bool replace_file_durably(const char* path, const uint8_t* bytes, size_t count) {
    const std::string fresh = std::string(path) + ".new";
    const int fd = ::open(fresh.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0) {
        return false;
    }
    const bool written = write_all(fd, bytes, count) && ::fsync(fd) == 0;
    if (::close(fd) != 0 || !written || ::rename(fresh.c_str(), path) != 0) {
        ::unlink(fresh.c_str());
        return false;
    }
    return sync_directory_of(path);
}

bool remove_file_durably(const char* path) {
    if (::unlink(path) != 0) {
        return errno == ENOENT;
    }
    return sync_directory_of(path);
}

bool list_directory(const char* path, void (*each)(const char* name, void* context), void* context) {
    DIR* directory = ::opendir(path);
    if (directory == nullptr) {
        return errno == ENOENT;
    }
    while (const dirent* entry = ::readdir(directory)) {
        if (entry->d_type == DT_REG || entry->d_type == DT_UNKNOWN) {
            each(entry->d_name, context);
        }
    }
    ::closedir(directory);
    return true;
}

}  // namespace platform

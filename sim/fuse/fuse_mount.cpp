// simdrive mount: the served drives as files of a FUSE file system, in the
// foreground on one thread until the file system is unmounted or simdrive is
// told to stop (SIGINT, SIGTERM). Every file is opened for direct I/O, so
// each read and write of the station reaches the drive as it was made. With
// auto_unmount the mount also goes when simdrive itself dies.
#define FUSE_USE_VERSION 31
#include <fuse.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>

#include "fuse/served_drives.h"
#include "tools/simdrive.h"

namespace sim {

namespace {

std::vector<ServedDrive> served;
const auto mounted_at = std::chrono::steady_clock::now();

uint64_t mount_ms() {
    return static_cast<uint64_t>(
        std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - mounted_at)
            .count());
}

ServedDrive* drive_at(const char* path) {
    return path[0] == '/' ? find_served_drive(served, path + 1) : nullptr;
}

int get_attributes(const char* path, struct stat* st, struct fuse_file_info*) {
    std::memset(st, 0, sizeof *st);
    if (std::strcmp(path, "/") == 0) {
        st->st_mode = S_IFDIR | 0755;
        st->st_nlink = 2;
        return 0;
    }
    if (drive_at(path) == nullptr) {
        return -ENOENT;
    }
    st->st_mode = S_IFREG | 0644;
    st->st_nlink = 1;
    st->st_size = DISK_BYTES;
    return 0;
}

int read_directory(const char* path, void* buffer, fuse_fill_dir_t fill, off_t, struct fuse_file_info*,
                   enum fuse_readdir_flags) {
    if (std::strcmp(path, "/") != 0) {
        return -ENOENT;
    }
    fill(buffer, ".", nullptr, 0, FUSE_FILL_DIR_PLUS);
    fill(buffer, "..", nullptr, 0, FUSE_FILL_DIR_PLUS);
    for (const ServedDrive& drive : served) {
        fill(buffer, drive.name.c_str(), nullptr, 0, FUSE_FILL_DIR_PLUS);
    }
    return 0;
}

int open_file(const char* path, struct fuse_file_info* fi) {
    ServedDrive* drive = drive_at(path);
    if (drive == nullptr) {
        return -ENOENT;
    }
    fi->direct_io = 1;
    fi->keep_cache = 0;
    open_served_drive(*drive);
    return 0;
}

int read_file(const char* path, char* buffer, size_t size, off_t offset, struct fuse_file_info*) {
    ServedDrive* drive = drive_at(path);
    if (drive == nullptr || offset < 0) {
        return -EIO;
    }
    return read_served_drive(*drive, static_cast<uint64_t>(offset), reinterpret_cast<uint8_t*>(buffer),
                             static_cast<uint32_t>(size), mount_ms())
               ? static_cast<int>(size)
               : -EIO;
}

int write_file(const char* path, const char* buffer, size_t size, off_t offset, struct fuse_file_info*) {
    ServedDrive* drive = drive_at(path);
    if (drive == nullptr || offset < 0) {
        return -EIO;
    }
    return write_served_drive(*drive, static_cast<uint64_t>(offset), reinterpret_cast<const uint8_t*>(buffer),
                              static_cast<uint32_t>(size), mount_ms())
               ? static_cast<int>(size)
               : -EIO;
}

int release_file(const char* path, struct fuse_file_info*) {
    ServedDrive* drive = drive_at(path);
    std::string error;
    if (drive != nullptr && !close_served_drive(*drive, &error)) {
        std::fprintf(stderr, "simdrive: %s\n", error.c_str());
    }
    return 0;
}

int sync_file(const char*, int, struct fuse_file_info*) {
    return 0;
}

// A drive still open when the file system goes (its station died without
// the kernel closing it) is written back here.
void unmounted(void*) {
    for (ServedDrive& drive : served) {
        std::string error;
        if (drive.open_handles > 0 && !save_drive(*drive.drive, drive.path, &error)) {
            std::fprintf(stderr, "simdrive: %s\n", error.c_str());
        }
    }
}

struct fuse_operations operations() {
    struct fuse_operations ops = {};
    ops.getattr = get_attributes;
    ops.readdir = read_directory;
    ops.open = open_file;
    ops.read = read_file;
    ops.write = write_file;
    ops.release = release_file;
    ops.fsync = sync_file;
    ops.destroy = unmounted;
    return ops;
}

}  // namespace

int mount_drives(const std::string& dir, const std::vector<std::string>& files) {
    std::string error;
    if (!load_served_drives(files, &served, &error)) {
        std::fprintf(stderr, "simdrive: %s\n", error.c_str());
        return 1;
    }
    std::vector<std::string> args = {"simdrive", dir, "-f", "-s", "-o", "auto_unmount"};
    std::vector<char*> argv;
    for (std::string& arg : args) {
        argv.push_back(arg.data());
    }
    const struct fuse_operations ops = operations();
    return fuse_main(static_cast<int>(argv.size()), argv.data(), &ops, nullptr) == 0 ? 0 : 1;
}

}  // namespace sim

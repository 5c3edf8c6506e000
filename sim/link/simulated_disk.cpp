// The physical drive of prodtool-sim: "\\.\PHYSICALDRIVE<n>" is the drive file
// PHYSICALDRIVE<n> in $PRODTOOL_DEVICE_DIR, or in the current directory when
// that is not set; a missing file is a missing drive. The file is loaded at
// the first open and written back at every close and at process exit (a
// fatal error ends the process without closing). Closing and reopening in one
// run keeps the drive powered: its SDRAM and modes stay as they were. An
// interrupted run saves it too (link/interruption.h). A drive file another
// run holds is refused before it is loaded (link/drive_file_claim.h). The
// disk is the factory-mode disk, in either jumper position. With
// $PRODTOOL_SIM_COMMAND_LOG set, every command sector the station writes is
// appended to that file as written, for tests that pin the words it sends.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

#include "link/drive_file_claim.h"
#include "link/interruption.h"
#include "link/virtual_clock.h"
#include "model/drive.h"
#include "platform/disk.h"

namespace {

constexpr char WINDOWS_DRIVE_PREFIX[] = "\\\\.\\";
constexpr platform::DiskHandle SIM_HANDLE = 1;

struct AttachedDrive {
    std::unique_ptr<sim::Drive> drive;
    std::string path;
    uint64_t position = 0;
    bool open = false;
};

AttachedDrive attached;

void save_attached() {
    if (!attached.drive) {
        return;
    }
    sim_link::hold_interruptions();
    std::string error;
    if (!sim::save_drive(*attached.drive, attached.path, &error)) {
        std::fprintf(stderr, "simulated drive: %s\n", error.c_str());
    }
    sim_link::release_interruptions();
}

std::string drive_file_path(const char* drive_path) {
    const size_t prefix = sizeof WINDOWS_DRIVE_PREFIX - 1;
    const char* name =
        std::strncmp(drive_path, WINDOWS_DRIVE_PREFIX, prefix) == 0 ? drive_path + prefix : drive_path;
    const char* dir = std::getenv("PRODTOOL_DEVICE_DIR");
    return std::string(dir != nullptr && *dir != '\0' ? dir : ".") + "/" + name;
}

bool attach(const std::string& path) {
    if (attached.drive && attached.path == path) {
        // A drive that drops off the link while it restarts is not found again.
        return !sim::fault_fires(*attached.drive, sim::FaultKind::reopen_fail, {});
    }
    save_attached();
    std::string error;
    std::FILE* probe = std::fopen(path.c_str(), "rb");
    if (probe == nullptr) {
        return false;
    }
    std::fclose(probe);
    std::unique_ptr<sim::Drive> drive = sim::load_drive(path, &error);
    if (!drive) {
        std::fprintf(stderr, "simulated drive: %s\n", error.c_str());
        return false;
    }
    static const bool registered = std::atexit(save_attached) == 0;
    static const bool registered_for_interruption = (sim_link::save_on_quick_exit(save_attached), true);
    (void)registered_for_interruption;
    (void)registered;
    ++drive->counters.power_ons;
    attached.drive = std::move(drive);
    attached.path = path;
    return true;
}

bool handle_valid(platform::DiskHandle disk) {
    return disk == SIM_HANDLE && attached.open;
}

void log_command_sector(const void* sector) {
    static std::FILE* const log = [] {
        const char* path = std::getenv("PRODTOOL_SIM_COMMAND_LOG");
        return path != nullptr && *path != '\0' ? std::fopen(path, "wb") : nullptr;
    }();
    if (log != nullptr) {
        std::fwrite(sector, 1, sim::SECTOR, log);
        std::fflush(log);
    }
}

}  // namespace

namespace platform {

DiskHandle disk_open(const char* drive_path) {
    const std::string path = drive_file_path(drive_path);
    if (!sim_link::claim_drive_file(path)) {
        return BUSY_DISK_HANDLE;
    }
    if (!attach(path)) {
        return INVALID_DISK_HANDLE;
    }
    attached.open = true;
    attached.position = 0;
    return SIM_HANDLE;
}

bool disk_size(DiskHandle disk, uint64_t* bytes) {
    if (!handle_valid(disk)) {
        return false;
    }
    *bytes = sim::DISK_BYTES;
    return true;
}

bool disk_set_position(DiskHandle disk, uint64_t byte_offset) {
    if (!handle_valid(disk)) {
        return false;
    }
    attached.position = byte_offset;
    return true;
}

bool disk_read(DiskHandle disk, void* buffer, uint32_t bytes) {
    if (!handle_valid(disk)) {
        return false;
    }
    sim::set_time(*attached.drive, sim::virtual_milliseconds());
    sim_link::hold_interruptions();
    const bool read =
        sim::disk_read(*attached.drive, attached.position, static_cast<uint8_t*>(buffer), bytes);
    sim_link::release_interruptions();
    if (!read) {
        return false;
    }
    attached.position += bytes;
    return true;
}

bool disk_write(DiskHandle disk, const void* buffer, uint32_t bytes) {
    if (!handle_valid(disk)) {
        return false;
    }
    if (attached.position == 0 && bytes >= sim::SECTOR) {
        log_command_sector(buffer);
    }
    sim::set_time(*attached.drive, sim::virtual_milliseconds());
    sim_link::hold_interruptions();
    const bool written =
        sim::disk_write(*attached.drive, attached.position, static_cast<const uint8_t*>(buffer), bytes);
    sim_link::release_interruptions();
    if (!written) {
        return false;
    }
    attached.position += bytes;
    return true;
}

void disk_close(DiskHandle disk) {
    if (handle_valid(disk)) {
        attached.open = false;
        save_attached();
    }
}

}  // namespace platform

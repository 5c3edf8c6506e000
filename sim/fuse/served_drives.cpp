#include "fuse/served_drives.h"

namespace sim {

namespace {

std::string file_name(const std::string& path) {
    const size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

}  // namespace

bool load_served_drives(const std::vector<std::string>& paths, std::vector<ServedDrive>* served,
                        std::string* error) {
    for (const std::string& path : paths) {
        const std::string name = file_name(path);
        if (name.empty() || find_served_drive(*served, name) != nullptr) {
            *error = "cannot serve " + path + ": its name is empty or taken";
            return false;
        }
        std::unique_ptr<Drive> drive = load_drive(path, error);
        if (!drive) {
            return false;
        }
        served->push_back({name, path, std::move(drive), 0});
    }
    return true;
}

ServedDrive* find_served_drive(std::vector<ServedDrive>& served, std::string_view name) {
    for (ServedDrive& drive : served) {
        if (drive.name == name) {
            return &drive;
        }
    }
    return nullptr;
}

void open_served_drive(ServedDrive& served) {
    if (served.open_handles++ == 0) {
        power_on(*served.drive);
        ++served.drive->counters.power_ons;
    }
}

bool close_served_drive(ServedDrive& served, std::string* error) {
    if (served.open_handles > 0 && --served.open_handles > 0) {
        return true;
    }
    return save_drive(*served.drive, served.path, error);
}

bool read_served_drive(ServedDrive& served, uint64_t offset, uint8_t* data, uint32_t bytes, uint64_t now_ms) {
    set_time(*served.drive, now_ms);
    return disk_read(*served.drive, offset, data, bytes);
}

bool write_served_drive(ServedDrive& served, uint64_t offset, const uint8_t* data, uint32_t bytes,
                        uint64_t now_ms) {
    set_time(*served.drive, now_ms);
    return disk_write(*served.drive, offset, data, bytes);
}

}  // namespace sim

// The drives that `simdrive mount` serves, one file each, named as its drive
// file. Each behaves as the drive does in process: a transfer is the drive's
// disk transfer, every write that covers sector 0 executes its command. The
// first open while no handle is open is a power-on; the close of the last
// handle writes the drive file back, as the end of a run does in process.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "model/drive.h"

namespace sim {

struct ServedDrive {
    std::string name;  // the drive file's own name
    std::string path;
    std::unique_ptr<Drive> drive;
    uint32_t open_handles = 0;
};

// Loads every drive file; false with the message when one cannot be served.
bool load_served_drives(const std::vector<std::string>& paths, std::vector<ServedDrive>* served,
                        std::string* error);

ServedDrive* find_served_drive(std::vector<ServedDrive>& served, std::string_view name);

void open_served_drive(ServedDrive& served);
// False when the drive file could not be written back.
bool close_served_drive(ServedDrive& served, std::string* error);

// A transfer at `now_ms` of the mount's clock; false is a failed transfer.
bool read_served_drive(ServedDrive& served, uint64_t offset, uint8_t* data, uint32_t bytes, uint64_t now_ms);
bool write_served_drive(ServedDrive& served, uint64_t offset, const uint8_t* data, uint32_t bytes,
                        uint64_t now_ms);

}  // namespace sim

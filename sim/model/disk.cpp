// The disk the drive presents: byte X is SDRAM 0x40000000 + X. In factory
// mode a write that covers sector 0 executes the command sector; with the
// jumper in normal mode the drive is a plain disk and executes nothing.
#include "model/drive.h"

namespace sim {

namespace {

bool transfer_valid(uint64_t offset, uint32_t bytes) {
    return bytes != 0 && offset % SECTOR == 0 && bytes % SECTOR == 0 && offset + bytes <= DISK_BYTES;
}

void settle(Drive& drive) {
    settle_scan(drive);
    if (drive.power.mode == DriveMode::test_program) {
        test_program_refresh(drive);
    }
}

}  // namespace

void set_time(Drive& drive, uint64_t now_ms) {
    drive.power.now_ms = now_ms;
}

bool disk_write(Drive& drive, uint64_t offset, const uint8_t* data, uint32_t bytes) {
    if (!transfer_valid(offset, bytes) || transfer_fault_fires(drive) ||
        fault_fires(drive, FaultKind::link_write_fail, {.sector = static_cast<int64_t>(offset / SECTOR)})) {
        return false;
    }
    settle(drive);
    sdram_store(drive, SDRAM_BASE + static_cast<uint32_t>(offset), data, bytes);
    drive.counters.sectors_written += bytes / SECTOR;
    count_transfer(drive);
    drive.last_run.sectors_written += bytes / SECTOR;
    if (!drive.config.factory_jumper) {
        return true;
    }
    if (drive.power.mode == DriveMode::test_program) {
        test_program_saw_write(drive, offset, bytes);
    }
    if (offset == 0) {
        execute_command_sector(drive);
    }
    return true;
}

bool disk_read(Drive& drive, uint64_t offset, uint8_t* data, uint32_t bytes) {
    if (!transfer_valid(offset, bytes) || transfer_fault_fires(drive) ||
        fault_fires(drive, FaultKind::link_read_fail, {.sector = static_cast<int64_t>(offset / SECTOR)})) {
        return false;
    }
    settle(drive);
    sdram_load(drive, SDRAM_BASE + static_cast<uint32_t>(offset), data, bytes);
    // The link delivers other bytes than the SDRAM holds.
    if (const Fault* differs = fault_fires(drive, FaultKind::link_read_differs,
                                           {.sector = static_cast<int64_t>(offset / SECTOR)})) {
        data[differs->value % bytes] ^= 0x01;
    }
    drive.counters.sectors_read += bytes / SECTOR;
    count_transfer(drive);
    drive.last_run.sectors_read += bytes / SECTOR;
    return true;
}

}  // namespace sim

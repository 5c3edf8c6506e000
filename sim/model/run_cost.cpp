// The counts of one run and the time a real drive would take for them.
#include <algorithm>
#include <iterator>

#include "model/drive.h"

namespace sim {

namespace {

constexpr uint32_t OPCODES[COMMAND_KINDS - 1] = {0x01, 0x02, 0x03, 0x04, 0x07, 0x08,
                                                 0x0B, 0x10, 0x11, 0x12, 0xF0};

// A bank page's bytes cross both chips' buses at once, half on each.
uint64_t bus_us(uint32_t bytes) {
    return static_cast<uint64_t>(bytes / 2 / NAND_BUS_BYTES_PER_SECOND * 1e6);
}

uint64_t busy_us(NandKind kind, uint32_t bytes) {
    switch (kind) {
        case NAND_PAGE_PROGRAM:
            return NAND_PROGRAM_US + bus_us(bytes);
        case NAND_PAGE_READ:
            return NAND_READ_US + bus_us(bytes);
        case NAND_BLOCK_ERASE:
            return NAND_ERASE_US;
        case NAND_BLANK_CHECK:
            return BLANK_CHECK_MS * 1000;
        default:
            return NAND_RESET_US + bus_us(bytes);
    }
}

}  // namespace

uint32_t command_kind(uint32_t opcode) {
    const uint32_t* kind = std::find(std::begin(OPCODES), std::end(OPCODES), opcode);
    return static_cast<uint32_t>(kind - std::begin(OPCODES));
}

void count_transfer(Drive& drive) {
    PowerState& power = drive.power;
    if (!power.run_counted) {
        drive.last_run = RunCost{};
        power.run_counted = true;
    } else if (power.now_ms > power.last_transfer_ms) {
        drive.last_run.waited_ms += power.now_ms - power.last_transfer_ms;
    }
    power.last_transfer_ms = power.now_ms;
    ++drive.last_run.transfers;
}

void count_command(Drive& drive, uint32_t opcode) {
    ++drive.last_run.commands[command_kind(opcode)];
}

void count_nand(Drive& drive, uint32_t bank, NandKind kind, uint32_t bytes) {
    ++drive.last_run.nand[kind];
    drive.power.batch_busy_us[bank] += busy_us(kind, bytes);
}

void end_nand_batch(Drive& drive) {
    uint64_t* busy = drive.power.batch_busy_us;
    drive.last_run.nand_busy_us += *std::max_element(busy, busy + BANK_POSITIONS);
    std::fill_n(busy, BANK_POSITIONS, 0);
}

ModeledTime modeled_time(const RunCost& cost) {
    ModeledTime time;
    time.link_s = static_cast<double>(cost.sectors_written + cost.sectors_read) * SECTOR /
                  SATA_PAYLOAD_BYTES_PER_SECOND;
    time.commands_s = static_cast<double>(cost.transfers * COMMAND_LATENCY_US) / 1e6;
    time.nand_s = static_cast<double>(cost.nand_busy_us) / 1e6;
    time.waits_s = static_cast<double>(cost.waited_ms) / 1e3;
    time.total_s = time.link_s + time.commands_s + time.nand_s + time.waits_s;
    return time;
}

}  // namespace sim

// What one run (one power cycle) asks of the drive, and the time a real drive
// would take for it. The counts are kept with the drive; the time is modeled
// from them with the constants below.
//
// Where the constants come from:
// - SATA II signals at 3.0 Gbit/s with 8b/10b coding: 300 MB/s of payload at
//   most, in either direction.
// - Every transfer is one ATA command on the raw disk: command, DMA setup and
//   status frames, the host adapter's interrupt and the boot code's handling.
//   50 us per command is an estimate of that round trip for one command at a
//   time (no command queueing), not a measurement; it is what a stream of
//   small commands costs beyond their payload.
// - NAND times are the typical values of the datasheets of the 2-bit-per-cell
//   parts with 4 KB chip pages that the builds carry: page read (array to
//   register) 60 us, page program 800 us, block erase 1.5 ms, reset 5 us; a
//   chip's 8-bit bus moves 40 MB/s, and the two chips of a bank move their
//   halves of a bank page at the same time.
// - The drive's blank check of a bank takes 3 ms (model/drive.h).
// Banks work in parallel: the operations the controller runs at once (the
// queue at a sync, or an operation that waits) take as long as the busiest
// bank among them. The drive-side scan and test program run while the tool
// waits; their time is in the tool's waits.
#pragma once

#include <cstdint>

namespace sim {

inline constexpr double SATA_PAYLOAD_BYTES_PER_SECOND = 300e6;
inline constexpr uint64_t COMMAND_LATENCY_US = 50;
inline constexpr uint64_t NAND_READ_US = 60;
inline constexpr uint64_t NAND_PROGRAM_US = 800;
inline constexpr uint64_t NAND_ERASE_US = 1500;
inline constexpr uint64_t NAND_RESET_US = 5;
inline constexpr double NAND_BUS_BYTES_PER_SECOND = 40e6;

// Factory commands by kind; any other opcode counts as OTHER_COMMAND.
enum CommandKind : uint32_t {
    FLASH_SYNC_COMMAND,
    FLASH_OP_COMMAND,
    BUFFER_COPY_COMMAND,
    RUN_PROGRAM_COMMAND,
    CONTROLLER_RESET_COMMAND,
    INITIAL_SCAN_COMMAND,
    ENABLE_COMMAND,
    READ_REGISTER_COMMAND,
    WRITE_REGISTER_COMMAND,
    DEVICE_RESET_COMMAND,
    DATA_ONLY_COMMAND,
    OTHER_COMMAND,
    COMMAND_KINDS
};
inline constexpr const char* COMMAND_KIND_NAMES[COMMAND_KINDS] = {
    "flash sync",     "flash operation", "buffer copy",    "run program",  "controller reset", "initial scan",
    "enable factory", "register read",   "register write", "device reset", "data only",        "other"};

// NAND work by kind, in bank pages (a pair page is two) and bank blocks.
enum NandKind : uint32_t {
    NAND_PAGE_PROGRAM,
    NAND_PAGE_READ,
    NAND_BLOCK_ERASE,
    NAND_BLANK_CHECK,
    NAND_READ_ID,
    NAND_RESET,
    NAND_KINDS
};
inline constexpr const char* NAND_KIND_NAMES[NAND_KINDS] = {"page programs", "page reads", "block erases",
                                                            "blank checks",  "ID reads",   "bank resets"};

struct RunCost {
    uint64_t commands[COMMAND_KINDS] = {};
    uint64_t transfers = 0;  // ATA commands: reads and writes of the disk
    uint64_t sectors_written = 0;
    uint64_t sectors_read = 0;
    uint64_t nand[NAND_KINDS] = {};
    uint64_t waited_ms = 0;     // the tool's waits between transfers
    uint64_t nand_busy_us = 0;  // the controller's busy time, banks in parallel
};

struct ModeledTime {
    double link_s, commands_s, nand_s, waits_s, total_s;
};

ModeledTime modeled_time(const RunCost& cost);

uint32_t command_kind(uint32_t opcode);

}  // namespace sim

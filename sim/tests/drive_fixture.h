// A station in miniature for the model tests: builds command sectors as the
// tool lays them out and writes them to the drive's sector 0.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <vector>

#include "little_endian.h"
#include "model/drive.h"

namespace sim::testing {

using Words = std::array<uint32_t, 128>;

inline constexpr uint32_t CMD_FLASH_SYNC = 0x01, CMD_FLASH_OP = 0x02, CMD_BUFFER_COPY = 0x03,
                          CMD_RUN_PROGRAM = 0x04, CMD_RESET_FLASH_CTRL = 0x07, CMD_SCAN_INITIAL_BAD = 0x08,
                          CMD_ENABLE_FACTORY_MODE = 0x0B, CMD_READ_REG = 0x10, CMD_WRITE_REG = 0x11,
                          CMD_RESET_DEVICE = 0x12, CMD_DATA_ONLY = 0xF0;
inline constexpr uint32_t FOP_PROGRAM = 0x01, FOP_PART_FIRST = 0x02, FOP_PART = 0x03, FOP_PART_LAST = 0x04,
                          FOP_READ = 0x0A, FOP_BLANK_CHECK = 0x0D, FOP_READ_ID = 0x10, FOP_ERASE = 0x14,
                          FOP_RESET = 0x15;

// Writes the sector with a valid check pair.
inline void send(Drive& drive, Words words, uint32_t check = 0x1234567) {
    words[2] = check;
    words[29] = 0u - check;
    uint8_t bytes[SECTOR];
    for (uint32_t n = 0; n < 128; ++n) {
        store_le32(bytes + 4 * n, words[n]);
    }
    disk_write(drive, 0, bytes, SECTOR);
}

inline Words enable_sector(uint32_t pair_index = 77) {
    Words w{};
    for (uint32_t n = 0; n < 128; ++n) {
        w[n] = n * 0x01010101u;
    }
    w[0] = CMD_ENABLE_FACTORY_MODE;
    w[30] = 0x12345678;
    w[31] = pair_index;
    w[pair_index] = 0x5A1C93D7 - w[30];
    w[32] = 0x2EE0000A;
    w[33] = 0x24204;
    w[34] = 0x518;
    w[35] = 0x27;
    w[36] = 0x3E0F800;
    w[2] = w[29] = w[38] = 0;
    uint32_t sum = 0;
    for (const uint32_t word : w) {
        sum += word;
    }
    w[38] = 0x71D4C6B9 - sum;
    return w;
}

inline Words command(uint32_t opcode) {
    Words w{};
    w[0] = opcode;
    return w;
}

struct Op {
    uint32_t sub_op, bank, options = 0, sdram_addr = NO_ADDRESS, byte_count = 0, row = 0;
    uint32_t wait = 1;
    uint32_t nand_cmd = 0;
};

inline void flash_op(Drive& drive, const Op& op) {
    Words w = command(CMD_FLASH_OP);
    w[1] = op.sub_op;
    w[3] = op.bank;
    w[4] = op.options;
    w[5] = op.sdram_addr;
    w[6] = op.byte_count;
    w[7] = op.sub_op == FOP_RESET ? 0xFF : op.nand_cmd;
    w[8] = w[9] = op.row;
    w[13] = op.wait;
    w[37] = 1;
    send(drive, w);
}

inline void reset_controller(Drive& drive, bool big_ecc) {
    Words w = command(CMD_RESET_FLASH_CTRL);
    w[14] = big_ecc ? drive.config.ctrl_config_big : drive.config.ctrl_config;
    w[15] = 0x55FFFFFF;
    w[16] = drive.config.flash_if_word;
    send(drive, w);
}

inline void write_window(Drive& drive, const std::vector<uint8_t>& data, uint32_t offset = 0) {
    disk_write(drive, 0x100000 + offset, data.data(), static_cast<uint32_t>(data.size()));
}

inline std::vector<uint8_t> read_disk(Drive& drive, uint64_t offset, uint32_t bytes) {
    std::vector<uint8_t> data(bytes);
    disk_read(drive, offset, data.data(), bytes);
    return data;
}

inline uint32_t read_reg(Drive& drive, uint32_t address) {
    Words w = command(CMD_READ_REG);
    w[27] = address;
    send(drive, w);
    return load_le32(read_disk(drive, 0, SECTOR).data());
}

inline void write_reg(Drive& drive, uint32_t address, uint32_t value) {
    Words w = command(CMD_WRITE_REG);
    w[27] = address;
    w[28] = value;
    send(drive, w);
}

inline uint8_t bank_status(Drive& drive, uint32_t bank) {
    return static_cast<uint8_t>(read_reg(drive, 0x60000760 + bank / 4 * 4) >> (8 * (bank % 4)));
}

// A drive of the reference build in factory mode, controller and banks reset.
inline std::unique_ptr<Drive> ready_drive(uint32_t build = 1) {
    std::unique_ptr<Drive> drive = make_drive(build);
    send(*drive, enable_sector());
    reset_controller(*drive, false);
    for (uint32_t b = 0; b < BANK_POSITIONS; ++b) {
        flash_op(*drive, {.sub_op = FOP_RESET, .bank = b});
    }
    return drive;
}

// Programs a bank page from the data window with wait_flag 1.
inline void program(Drive& drive, uint32_t bank, uint32_t row, const std::vector<uint8_t>& data,
                    uint32_t options = 0x46) {
    write_window(drive, data);
    flash_op(drive, {.sub_op = FOP_PROGRAM,
                     .bank = bank,
                     .options = options,
                     .sdram_addr = DATA_WINDOW,
                     .byte_count = static_cast<uint32_t>(data.size()),
                     .row = row});
}

inline std::vector<uint8_t> read_page(Drive& drive, uint32_t bank, uint32_t row, uint32_t bytes,
                                      uint32_t options = 6) {
    flash_op(drive, {.sub_op = FOP_READ,
                     .bank = bank,
                     .options = options,
                     .sdram_addr = DATA_WINDOW,
                     .byte_count = bytes,
                     .row = row});
    return read_disk(drive, 0x100000, bytes);
}

}  // namespace sim::testing

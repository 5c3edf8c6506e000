// The drive's boot code: checks and executes the command sector at SDRAM
// 0x40000000. A sector that a drive would reject is recorded as a violation
// and not executed.
#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "little_endian.h"
#include "model/drive.h"
#include "model/verdict.h"

namespace sim {

namespace {

constexpr uint32_t SUM_CONSTANT = 0x71D4C6B9;
constexpr uint32_t PAIR_CONSTANT = 0x5A1C93D7;
constexpr uint32_t ENABLE_WORDS_33_TO_36[4] = {0x24204, 0x518, 0x27, 0x3E0F800};
constexpr uint32_t CTRL_CONFIG2 = 0x55FFFFFF;
constexpr uint32_t BIG_ECC_BIT = 0x2000;

enum Opcode : uint32_t {
    CMD_FLASH_SYNC = 0x01,
    CMD_FLASH_OP = 0x02,
    CMD_BUFFER_COPY = 0x03,
    CMD_RUN_PROGRAM = 0x04,
    CMD_RESET_FLASH_CTRL = 0x07,
    CMD_SCAN_INITIAL_BAD = 0x08,
    CMD_ENABLE_FACTORY_MODE = 0x0B,
    CMD_READ_REG = 0x10,
    CMD_WRITE_REG = 0x11,
    CMD_RESET_DEVICE = 0x12,
    CMD_DATA_ONLY = 0xF0,
};

struct Words {
    uint32_t w[128];
};

std::string hex_text(const char* format, uint32_t a, uint32_t b = 0) {
    char text[128];
    std::snprintf(text, sizeof text, format, a, b);
    return text;
}

bool enable_sector_valid(Drive& drive, const Words& s) {
    uint32_t sum = 0;
    for (const uint32_t word : s.w) {
        sum += word;
    }
    const uint32_t k = s.w[31];
    const uint32_t mode = s.w[32];
    if (sum != SUM_CONSTANT) {
        record_violation(drive,
                         hex_text("enable-factory-mode sector sums to %08X, not %08X", sum, SUM_CONSTANT));
        return false;
    }
    if (k < 38 || k > 127) {
        record_violation(drive, hex_text("enable-factory-mode pair index %u outside 38 to 127", k));
        return false;
    }
    // With k = 38 the sum word overwrote the pair word; the sum alone vouches.
    if (k != 38 && s.w[30] + s.w[k] != PAIR_CONSTANT) {
        record_violation(drive, hex_text("enable-factory-mode pair words add up to %08X", s.w[30] + s.w[k]));
        return false;
    }
    if (mode < 0x2EE00008 || mode > 0x2EE0000A) {
        record_violation(drive, hex_text("enable-factory-mode mode word %08X", mode));
        return false;
    }
    for (uint32_t i = 0; i < 4; ++i) {
        if (s.w[33 + i] != ENABLE_WORDS_33_TO_36[i]) {
            record_violation(drive, hex_text("enable-factory-mode word %u is %08X", 33 + i, s.w[33 + i]));
            return false;
        }
    }
    return true;
}

void enable_factory_mode(Drive& drive, const Words& s) {
    if (!enable_sector_valid(drive, s)) {
        return;
    }
    if (drive.power.mode == DriveMode::test_program) {
        test_program_refresh(drive);
    }
    drive.power.mode = DriveMode::factory;
    drive.boot_verdict.clear();  // a station is at work on the drive again
}

bool flag_valid(Drive& drive, const Words& s, uint32_t word_index, const char* name) {
    if (s.w[word_index] > 1) {
        record_violation(drive, std::string(name) + hex_text(" is %u, not 0 or 1", s.w[word_index]));
        return false;
    }
    return true;
}

void flash_op(Drive& drive, const Words& s) {
    if (!flag_valid(drive, s, 13, "wait_flag") || !flag_valid(drive, s, 37, "batch_flag")) {
        return;
    }
    const FlashOp op{s.w[1], s.w[3], s.w[4], s.w[5], s.w[6], s.w[8], s.w[9]};
    if (op.sub_op == 0x15 && s.w[7] != 0xFF) {
        record_violation(drive, hex_text("bank reset with NAND command %02X, not FF", s.w[7]));
        return;
    }
    if (op.sub_op != 0x15 && s.w[7] != 0) {
        record_violation(drive, hex_text("flash operation %02X with NAND command %X", op.sub_op, s.w[7]));
        return;
    }
    execute_flash_op(drive, op, s.w[13] == 1);
}

bool copy_end_valid(Drive& drive, uint32_t address, uint32_t bytes) {
    if (address == NO_ADDRESS ? bytes <= PAGE_BUFFER_BYTES : sdram_range_valid(address, bytes)) {
        return true;
    }
    record_violation(drive, hex_text("buffer copy of %u bytes at %08X", bytes, address));
    return false;
}

void buffer_copy(Drive& drive, const Words& s) {
    const uint32_t src = s.w[23], dst = s.w[24], len = s.w[26];
    if (s.w[1] != 1) {
        record_violation(drive, hex_text("buffer copy with sub_op %u", s.w[1]));
        return;
    }
    if (!copy_end_valid(drive, src, len) || !copy_end_valid(drive, dst, len)) {
        return;
    }
    std::vector<uint8_t> bytes(len);
    if (src == NO_ADDRESS) {
        std::copy_n(drive.power.page_buffer, len, bytes.data());
    } else {
        sdram_load(drive, src, bytes.data(), len);
    }
    if (dst == NO_ADDRESS) {
        std::copy_n(bytes.data(), len, drive.power.page_buffer);
    } else {
        sdram_store(drive, dst, bytes.data(), len);
    }
}

void reset_flash_controller(Drive& drive, const Words& s) {
    const DriveConfig& config = drive.config;
    if (s.w[14] != config.ctrl_config && s.w[14] != config.ctrl_config_big) {
        record_violation(drive, hex_text("controller configuration %08X is not this drive's", s.w[14]));
        return;
    }
    if (s.w[15] != CTRL_CONFIG2 || s.w[16] != config.flash_if_word) {
        record_violation(drive, hex_text("controller words 15 and 16 are %08X and %08X", s.w[15], s.w[16]));
        return;
    }
    PowerState& power = drive.power;
    if (!power.queue.empty()) {
        record_violation(drive, hex_text("controller reset discards %u queued flash operations",
                                         static_cast<uint32_t>(power.queue.size())));
    }
    if (power.raw.open) {
        record_violation(drive, "controller reset in the middle of a raw page program");
    }
    power.queue.clear();
    power.blank_checks.clear();
    power.raw.open = false;
    power.controller_reset = true;
    power.big_ecc = (s.w[14] & BIG_ECC_BIT) != 0;
}

void scan_initial_bad(Drive& drive, const Words& s) {
    const uint32_t pages = pages_per_block(drive);
    const bool valid = s.w[6] == 4 && s.w[7] == 0x1000 && s.w[19] == pages && (1u << s.w[20]) == pages &&
                       s.w[21] == 0x2000 && s.w[22] == 1;
    if (!valid) {
        record_violation(drive,
                         hex_text("initial bad-block scan words do not describe %u pages per block", pages));
        return;
    }
    if (!drive.power.controller_reset) {
        record_violation(drive, "initial bad-block scan before the flash controller reset");
        return;
    }
    start_initial_bad_block_scan(drive, s.w[18]);
}

void read_reg(Drive& drive, const Words& s) {
    uint32_t value = 0;
    if (read_register(drive, s.w[27], &value)) {
        uint8_t bytes[4];
        store_le32(bytes, value);
        sdram_store(drive, SDRAM_BASE, bytes, 4);
    }
}

void reset_device(Drive& drive) {
    if (!drive.power.queue.empty()) {
        record_violation(drive, "device reset with queued flash operations");
    }
    drive.power.queue.clear();
    drive.power.mode = DriveMode::left_factory;
    ++drive.counters.device_resets;
    record_boot_verdict(drive);
}

void dispatch(Drive& drive, const Words& s) {
    switch (s.w[0]) {
        case CMD_FLASH_SYNC:
            flash_sync(drive);
            break;
        case CMD_FLASH_OP:
            flash_op(drive, s);
            break;
        case CMD_BUFFER_COPY:
            buffer_copy(drive, s);
            break;
        case CMD_RUN_PROGRAM:
            start_test_program(drive, s.w[5], s.w[6]);
            break;
        case CMD_RESET_FLASH_CTRL:
            reset_flash_controller(drive, s);
            break;
        case CMD_SCAN_INITIAL_BAD:
            scan_initial_bad(drive, s);
            break;
        case CMD_READ_REG:
            read_reg(drive, s);
            break;
        case CMD_WRITE_REG:
            write_register(drive, s.w[27], s.w[28]);
            break;
        case CMD_RESET_DEVICE:
            reset_device(drive);
            break;
        case CMD_DATA_ONLY:
            break;
        default:
            record_violation(drive, hex_text("unknown opcode %02X", s.w[0]));
    }
}

// Why the boot code executes nothing now, or null.
const char* refusal(const Drive& drive) {
    switch (drive.power.mode) {
        case DriveMode::locked:
            return "before factory mode was enabled";
        case DriveMode::test_program:
            return "while the test program runs";
        case DriveMode::left_factory:
            return "after the device reset";
        case DriveMode::factory:
            break;
    }
    if (drive.power.scan_pending && drive.power.now_ms < drive.power.scan_due_ms) {
        return "while the initial bad-block scan runs";
    }
    return nullptr;
}

}  // namespace

void execute_command_sector(Drive& drive) {
    ++drive.counters.commands;
    uint8_t bytes[SECTOR];
    sdram_load(drive, SDRAM_BASE, bytes, SECTOR);
    Words s;
    for (uint32_t n = 0; n < 128; ++n) {
        s.w[n] = load_le32(bytes + 4 * n);
    }
    count_command(drive, s.w[0]);
    if (s.w[2] + s.w[29] != 0) {
        record_violation(drive, hex_text("check pair %08X %08X does not sum to zero", s.w[2], s.w[29]));
        return;
    }
    // An enable sector is heard in every mode but one: after the device reset
    // the boot code no longer listens.
    if (s.w[0] == CMD_ENABLE_FACTORY_MODE && drive.power.mode != DriveMode::left_factory) {
        enable_factory_mode(drive, s);
        return;
    }
    if (const char* why = refusal(drive)) {
        record_violation(drive, hex_text("command %02X ", s.w[0]) + why);
        return;
    }
    dispatch(drive, s);
}

}  // namespace sim

// The drive addresses the tool reads and writes with CMD_READ_REG and
// CMD_WRITE_REG: SDRAM words (the size probe) and the flash controller's
// blank-check busy word, abort word and per-bank status bytes.
#include <cstdio>

#include "little_endian.h"
#include "model/drive.h"

namespace sim {

namespace {

constexpr uint32_t BUSY_WORD = 0x600007A4;
constexpr uint32_t ABORT_WORD = 0x6000000C;
constexpr uint32_t STATUS_WORDS = 0x60000760;
constexpr uint32_t STATUS_WORDS_END = STATUS_WORDS + BANK_POSITIONS;

bool sdram_word(uint32_t address) {
    return address % 4 == 0 && sdram_range_valid(address, 4);
}

void unknown_address(Drive& drive, const char* access, uint32_t address) {
    char text[96];
    std::snprintf(text, sizeof text, "%s of address %08X, which answers nothing", access, address);
    record_violation(drive, text);
}

}  // namespace

bool read_register(Drive& drive, uint32_t address, uint32_t* value) {
    if (sdram_word(address)) {
        uint8_t bytes[4];
        sdram_load(drive, address, bytes, 4);
        *value = load_le32(bytes);
        return true;
    }
    if (address == BUSY_WORD) {
        complete_blank_checks(drive, false);
        *value = drive.power.blank_checks.empty() ? 0 : 1;
        return true;
    }
    if (address == ABORT_WORD) {
        *value = drive.power.abort_register;
        return true;
    }
    if (address >= STATUS_WORDS && address < STATUS_WORDS_END && address % 4 == 0) {
        *value = load_le32(drive.power.status + (address - STATUS_WORDS));
        return true;
    }
    unknown_address(drive, "register read", address);
    return false;
}

bool write_register(Drive& drive, uint32_t address, uint32_t value) {
    if (sdram_word(address)) {
        uint8_t bytes[4];
        store_le32(bytes, value);
        sdram_store(drive, address, bytes, 4);
        return true;
    }
    if (address == ABORT_WORD) {
        // Gives up the blank check of the bank written here.
        drive.power.abort_register = value;
        std::erase_if(drive.power.blank_checks,
                      [&](const PendingBlankCheck& check) { return check.bank == value; });
        return true;
    }
    unknown_address(drive, "register write", address);
    return false;
}

}  // namespace sim

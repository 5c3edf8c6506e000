#include "host_mass_production/initial_scan.h"

#include <cstdio>

#include "host_actions/bank_geometry.h"
#include "host_actions/bank_names.h"
#include "host_actions/chip_share.h"
#include "host_actions/initial_bb_list.h"
#include "host_actions/too_many_bad_blocks.h"
#include "host_main/command_channel.h"
#include "host_main/console.h"
#include "host_main/factory_commands.h"
#include "host_main/fatal_error.h"
#include "host_main/station_log.h"
#include "little_endian.h"
#include "platform/clock.h"

namespace {

// The drive is not asked whether it is done: the scan of every bank ends
// within this time.
constexpr uint32_t SCAN_WAIT_MILLISECONDS = 80000;

// The result: word 0 the entry count, word 1 not read, the entries from
// word 2, then the terminator.
constexpr uint32_t RESULT_WORDS = SCAN_RESULT_SECTORS * SECTOR_BYTES / 4;
constexpr uint32_t FIRST_ENTRY_WORD = 2;
constexpr uint32_t MAX_ENTRIES = RESULT_WORDS - FIRST_ENTRY_WORD - 1;
constexpr uint32_t TERMINATOR = 0xFFFFFFFF;

constexpr uint32_t ENTRY_HIGH_CHIP = 1u << 31;
constexpr uint32_t ENTRY_LOW_CHIP = 1u << 30;
constexpr uint32_t ENTRY_BANK_SHIFT = 24;
constexpr uint32_t ENTRY_BANK_BITS = 0x3F;
constexpr uint32_t ENTRY_BLOCK_BITS = 0xFFFFFF;

// A bank with this many list entries (both chips together) fails the drive.
constexpr uint32_t TOO_MANY_ENTRIES = 320;
// Such a bank fails whether or not its list could hold all its entries, so
// entries beyond a full list are counted and not stored.
static_assert(INITIAL_BB_MAX_ENTRIES >= TOO_MANY_ENTRIES);

struct ChipCounts {
    uint32_t low;
    uint32_t high;
};

[[noreturn]] void fail_scan_result(const char* source_path, unsigned line) {
    set_error_colour();
    std::printf("ERROR: scan result has error\n");
    restore_colour();
    put_to_log_buffer("Scan result has error");
    station_log_flush();
    fatal_error(source_path, line);
}

#define FAIL_SCAN_RESULT() fail_scan_result(__FILE__, __LINE__)

uint32_t result_word(const uint8_t* result, uint32_t word) {
    return load_le32(result + 4 * word);
}

void start_scan() {
    fill_scan_initial_bad(BUILD_BANK_BMP, BUILD_PAGES_PER_BLOCK);
    clear_log_buffer();
    put_to_log_buffer("Scan for initial bad blocks\n");
    SEND_TO_DEVICE(nullptr, 0);
    platform::sleep_milliseconds(SCAN_WAIT_MILLISECONDS);
}

void take_bad_block(uint32_t bank, uint32_t block, bool high_chip) {
    if (is_expected_bank(bank)) {
        append_initial_bb_entry(work->initial_bb_list[bank], {static_cast<uint16_t>(block), high_chip});
    }
}

// Entries of banks not scanned are passed over whatever they hold. A bank
// position or block the drive does not have makes the result malformed.
void take_entry(uint32_t entry, const BankSelection& selected, ChipCounts (&counts)[BANK_POSITIONS]) {
    const uint32_t bank = (entry >> ENTRY_BANK_SHIFT) & ENTRY_BANK_BITS;
    if (bank >= BANK_POSITIONS) {
        FAIL_SCAN_RESULT();
    }
    if (selected[bank] == 0) {
        return;
    }
    if ((entry & (ENTRY_HIGH_CHIP | ENTRY_LOW_CHIP)) == 0) {
        FAIL_SCAN_RESULT();
    }
    const uint32_t block = entry & ENTRY_BLOCK_BITS;
    if (block >= BLOCKS_PER_CHIP) {
        FAIL_SCAN_RESULT();
    }
    work->scan_list_found[bank] = 1;
    if (entry & ENTRY_HIGH_CHIP) {
        take_bad_block(bank, block, true);
        ++counts[bank].high;
    }
    if (entry & ENTRY_LOW_CHIP) {
        take_bad_block(bank, block, false);
        ++counts[bank].low;
    }
}

void take_result(const uint8_t* result, const BankSelection& selected, ChipCounts (&counts)[BANK_POSITIONS]) {
    const uint32_t entries = result_word(result, 0);
    // The terminator must lie inside the result.
    if (entries > MAX_ENTRIES) {
        FAIL_SCAN_RESULT();
    }
    for (uint32_t bank = 0; bank < BANK_POSITIONS; ++bank) {
        if (selected[bank] != 0 && is_expected_bank(bank)) {
            clear_initial_bb_list(work->initial_bb_list[bank]);
        }
    }
    for (uint32_t i = 0; i < entries; ++i) {
        take_entry(result_word(result, FIRST_ENTRY_WORD + i), selected, counts);
    }
    if (result_word(result, FIRST_ENTRY_WORD + entries) != TERMINATOR) {
        FAIL_SCAN_RESULT();
    }
    for (uint32_t bank = 0; bank < BANK_POSITIONS; ++bank) {
        if (selected[bank] != 0 && !is_expected_bank(bank) && counts[bank].low + counts[bank].high != 0) {
            FAIL_SCAN_RESULT();
        }
    }
}

// True when the bank has too many bad blocks.
bool report_bank(uint32_t bank, const ChipCounts& counts) {
    std::printf("%u bad blocks = %.2f%% in  low ", counts.low, percent_of_chip(counts.low));
    std::printf(BANK_AFTER_MESSAGE_LINE, BANK_NAME_ARGS(bank));
    std::printf("%u bad blocks = %.2f%% in high ", counts.high, percent_of_chip(counts.high));
    std::printf(BANK_AFTER_MESSAGE_LINE, BANK_NAME_ARGS(bank));
    if (counts.low + counts.high < TOO_MANY_ENTRIES) {
        return false;
    }
    report_too_many_bad_blocks(bank);
    return true;
}

}  // namespace

void scan_initial_bad_blocks(uint8_t* result_buffer, const BankSelection& selected) {
    start_scan();
    RECV_FROM_DEVICE(DATA_WINDOW_SECTOR, result_buffer, SCAN_RESULT_SECTORS);
    ChipCounts counts[BANK_POSITIONS] = {};
    take_result(result_buffer, selected, counts);
    bool too_many = false;
    for (uint32_t bank = 0; bank < BANK_POSITIONS; ++bank) {
        if (selected[bank] != 0 && is_expected_bank(bank)) {
            too_many |= report_bank(bank, counts[bank]);
        }
    }
    if (too_many) {
        station_log_flush();
        FATAL_ERROR();
    }
    clear_log_buffer();
}

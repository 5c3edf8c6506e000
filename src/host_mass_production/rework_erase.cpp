#include "host_mass_production/rework_erase.h"

#include <cstdio>
#include <cstring>

#include "host_actions/bad_block_lists.h"
#include "host_actions/bank_geometry.h"
#include "host_actions/bank_names.h"
#include "host_actions/bank_status.h"
#include "host_actions/initial_bb_list.h"
#include "host_actions/runtime_bb_list.h"
#include "host_main/command_channel.h"
#include "host_main/console.h"
#include "host_main/factory_commands.h"
#include "host_main/station_log.h"

namespace {

// Block zero is the system block and the last block is never erased here.
constexpr uint32_t FIRST_BLOCK = 1;
constexpr uint32_t LAST_BLOCK = BLOCKS_PER_CHIP - 2;

constexpr uint8_t BOTH_CHIPS = CHIP_MASK_LOW | CHIP_MASK_HIGH;

// Per bank and block, the chips (CHIP_MASK_ bits) known bad before the
// erase. Worked out once, so that each erase command costs a table look-up
// rather than a search of both lists.
uint8_t known_bad_chips[BANK_POSITIONS][BLOCKS_PER_CHIP];

bool is_erased(uint32_t bank, const BankSelection& left_alone) {
    return is_expected_bank(bank) && left_alone[bank] == 0;
}

// Without a known initial list no chip counts as known bad, not even by its
// runtime list.
void find_known_bad_chips(uint32_t bank) {
    uint8_t* chips = known_bad_chips[bank];
    std::memset(chips, 0, BLOCKS_PER_CHIP);
    if (work->scan_list_found[bank] != 1) {
        return;
    }
    const uint8_t* initial = work->initial_bb_list[bank];
    const uint32_t initial_count = initial_bb_count(initial);
    for (uint32_t i = 0; i < initial_count; ++i) {
        const InitialBbEntry entry = initial_bb_entry(initial, i);
        if (entry.block < BLOCKS_PER_CHIP) {
            chips[entry.block] |= entry.high_chip ? CHIP_MASK_HIGH : CHIP_MASK_LOW;
        }
    }
    const uint8_t* runtime = work->runtime_bb_list[bank];
    const uint32_t runtime_count = runtime_bb_count(runtime);
    for (uint32_t i = 0; i < runtime_count; ++i) {
        const RuntimeBbEntry entry = runtime_bb_entry(runtime, i);
        if (entry.block < BLOCKS_PER_CHIP) {
            chips[entry.block] |= entry.chip_mask & BOTH_CHIPS;
        }
    }
}

uint32_t chip_skip_options(uint8_t known_bad) {
    return ((known_bad & CHIP_MASK_HIGH) ? ERASE_SKIP_HIGH_CHIP : 0) |
           ((known_bad & CHIP_MASK_LOW) ? ERASE_SKIP_LOW_CHIP : 0);
}

// The erases of one block go to all banks without waiting; only the first of
// them carries the batch flag. Returns the banks sent to, bit b for bank b.
uint32_t send_erases(uint32_t block, const BankSelection& left_alone) {
    uint32_t sent = 0;
    set_command_word(WORD_BATCH_FLAG, 1);
    for (uint32_t bank = 0; bank < BANK_POSITIONS; ++bank) {
        if (!is_erased(bank, left_alone)) {
            continue;
        }
        const uint8_t known_bad = known_bad_chips[bank][block];
        const bool both_bad = known_bad == BOTH_CHIPS;
        fill_flash_erase(bank, page_row(block, 0), both_bad ? 0 : chip_skip_options(known_bad), 0);
        if (both_bad) {
            continue;
        }
        SEND_TO_DEVICE(nullptr, 0);
        set_command_word(WORD_BATCH_FLAG, 0);
        sent |= 1u << bank;
    }
    return sent;
}

void record_erase_failure(uint32_t bank, uint8_t status, uint32_t block) {
    set_error_colour();
    std::printf("\nERROR: erase failure ");
    std::printf(BANK_AFTER_MESSAGE_LINE, BANK_NAME_ARGS(bank));
    uint8_t chip_mask = 0;
    if (status & BANK_STATUS_HIGH_FAILED) {
        std::printf("high ");
        chip_mask = CHIP_MASK_HIGH;
    }
    if (status & BANK_STATUS_LOW_FAILED) {
        std::printf("low ");
        chip_mask |= CHIP_MASK_LOW;
    }
    std::printf("pblk_offset %u (real %u) --> added to runtime bad block list\n", block, block);
    restore_colour();
    add_runtime_bad_block(bank, chip_mask, BB_TYPE_EB, static_cast<uint16_t>(block));
}

void erase_block(uint32_t block, const BankSelection& left_alone) {
    std::printf("erasing NAND Flash for rework...%u\r", block);
    const uint32_t sent = send_erases(block, left_alone);
    fill_flash_sync();
    SEND_TO_DEVICE(nullptr, 0);
    const uint8_t* status = read_bank_status();
    for (uint32_t bank = 0; bank < BANK_POSITIONS; ++bank) {
        if ((sent & (1u << bank)) && status[bank] != 0) {
            record_erase_failure(bank, status[bank], block);
        }
    }
}

}  // namespace

void erase_for_rework(const BankSelection& left_alone) {
    put_to_log_buffer("Erasing NAND Flash for rework.\n");
    for (uint32_t bank = 0; bank < BANK_POSITIONS; ++bank) {
        if (is_erased(bank, left_alone)) {
            find_known_bad_chips(bank);
        }
    }
    for (uint32_t block = FIRST_BLOCK; block <= LAST_BLOCK; ++block) {
        erase_block(block, left_alone);
    }
    std::printf("erasing NAND Flash for rework...done\t\n");
}

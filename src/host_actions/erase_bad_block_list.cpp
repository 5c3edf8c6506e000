#include <cstdio>

#include "host_actions/bad_block_lists.h"
#include "host_actions/bank_geometry.h"
#include "host_actions/bank_names.h"
#include "host_actions/bank_status.h"
#include "host_actions/block_zero.h"
#include "host_main/command_channel.h"
#include "host_main/factory_commands.h"
#include "host_main/station_log.h"
#include "host_mass_production/work_block.h"

uint32_t erase_bad_block_list(uint32_t bank) {
    clear_log_buffer();
    put_to_log_buffer("Erase bad block list\n");
    if (work->initialized == 0) {
        std::printf("ERROR: not initialized\n");
        put_to_log_buffer("Not initialized\n");
        return 0;
    }
    if (bank >= BANK_POSITIONS || !is_expected_bank(bank)) {
        std::printf("ERROR: specified bank does not exist\n");
        std::printf(BANK_AFTER_MESSAGE_LINE, BANK_NAME_ARGS(bank));
        put_to_log_buffer("Specified bank does not exist\nBank %u=%c%u\t\n", BANK_NAME_ARGS(bank));
        return 0;
    }
    fill_flash_erase(bank, page_row(SYSTEM_BLOCK, 0), 0, 1);
    set_command_word(WORD_BATCH_FLAG, 1);
    SEND_TO_DEVICE(nullptr, 0);
    if (read_bank_status()[bank] & (BANK_STATUS_LOW_FAILED | BANK_STATUS_HIGH_FAILED)) {
        std::printf("ERROR: erase failure, pblk_offset = %u, real_pblk_offset = %u\n", SYSTEM_BLOCK,
                    SYSTEM_BLOCK);
        std::printf(BANK_AFTER_MESSAGE_LINE, BANK_NAME_ARGS(bank));
        put_to_log_buffer("Erase failure, pblk_offset = %u\n" BANK_AFTER_MESSAGE_LINE, SYSTEM_BLOCK,
                          BANK_NAME_ARGS(bank));
        return 0;
    }
    return 1;
}

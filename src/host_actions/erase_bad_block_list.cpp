#include <cstdio>

#include "block_zero.h"
#include "host_actions/bad_block_lists.h"
#include "host_actions/bank_geometry.h"
#include "host_actions/bank_names.h"
#include "host_actions/block_erase.h"
#include "host_main/station_log.h"
#include "run_state/work_block.h"

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
    return erase_block(bank, SYSTEM_BLOCK, 0) ? 1 : 0;
}

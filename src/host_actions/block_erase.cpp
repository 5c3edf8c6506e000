#include "host_actions/block_erase.h"

#include <cstdio>

#include "host_actions/bank_geometry.h"
#include "host_actions/bank_names.h"
#include "host_actions/bank_status.h"
#include "host_main/command_channel.h"
#include "host_main/factory_commands.h"
#include "host_main/station_log.h"

namespace {

// The status bits of the chips the erase was sent to.
uint8_t failure_bits(uint32_t chip_skip) {
    return ((chip_skip & ERASE_SKIP_LOW_CHIP) ? 0 : BANK_STATUS_LOW_FAILED) |
           ((chip_skip & ERASE_SKIP_HIGH_CHIP) ? 0 : BANK_STATUS_HIGH_FAILED);
}

}  // namespace

bool erase_block(uint32_t bank, uint32_t block, uint32_t chip_skip) {
    fill_flash_erase(bank, page_row(block, 0), chip_skip, 1);
    set_command_word(WORD_BATCH_FLAG, 1);
    SEND_TO_DEVICE(nullptr, 0);
    if ((read_bank_status()[bank] & failure_bits(chip_skip)) == 0) {
        return true;
    }
    std::printf("ERROR: erase failure, pblk_offset = %u, real_pblk_offset = %u\n", block, block);
    std::printf(BANK_AFTER_MESSAGE_LINE, BANK_NAME_ARGS(bank));
    put_to_log_buffer("Erase failure, pblk_offset = %u\n" BANK_AFTER_MESSAGE_LINE, block,
                      BANK_NAME_ARGS(bank));
    return false;
}

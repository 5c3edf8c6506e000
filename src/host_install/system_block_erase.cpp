#include "host_install/system_block_erase.h"

#include <cstdint>

#include "host_actions/bank_geometry.h"
#include "host_actions/block_erase.h"
#include "host_main/factory_commands.h"
#include "host_main/fatal_error.h"
#include "host_main/station_log.h"
#include "run_state/work_block.h"

namespace {

constexpr uint32_t LAST_BLOCK = BLOCKS_PER_CHIP - 1;

void erase_if_last(uint32_t bank, uint32_t block, uint32_t other_chip) {
    if (block != LAST_BLOCK) {
        return;
    }
    clear_log_buffer();
    put_to_log_buffer("Erase system block\n");
    if (!erase_block(bank, block, other_chip)) {
        station_log_flush();
        FATAL_ERROR();
    }
    clear_log_buffer();
}

}  // namespace

void erase_last_block_system_blocks() {
    for (uint32_t i = 0; i < BUILD_NUM_BANKS; ++i) {
        const SystemBlockPair blocks = work->system_blocks[i];
        erase_if_last(BUILD_BANK_TABLE[i], blocks.low, ERASE_SKIP_HIGH_CHIP);
        erase_if_last(BUILD_BANK_TABLE[i], blocks.high, ERASE_SKIP_LOW_CHIP);
    }
}

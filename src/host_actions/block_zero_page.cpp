#include "host_actions/block_zero_page.h"

#include <cstdio>

#include "block_zero.h"
#include "host_actions/bank_geometry.h"
#include "host_actions/bank_names.h"
#include "host_actions/bank_status.h"
#include "host_main/command_channel.h"
#include "host_main/factory_commands.h"
#include "run_state/work_block.h"

namespace {

constexpr uint32_t PLAIN_READ_OPTIONS = 6;

}  // namespace

BlockZeroRead read_block_zero_page(uint32_t bank, uint32_t page, uint32_t byte_count, uint8_t* buffer) {
    if (work->initialized == 0) {
        std::printf("ERROR: not initialized\n");
        return BLOCK_ZERO_REFUSED;
    }
    if (bank >= BANK_POSITIONS || !is_expected_bank(bank)) {
        std::printf("ERROR: specified bank does not exist\n");
        std::printf(BANK_AFTER_MESSAGE_LINE, BANK_NAME_ARGS(bank));
        return BLOCK_ZERO_REFUSED;
    }
    fill_flash_op({FOP_READ, bank, PLAIN_READ_OPTIONS, DATA_WINDOW_ADDRESS, byte_count, 0,
                   page_row(SYSTEM_BLOCK, page), 1, 1});
    SEND_TO_DEVICE(nullptr, 0);
    const uint8_t status = read_bank_status()[bank];
    RECV_FROM_DEVICE(DATA_WINDOW_SECTOR, buffer, byte_count / SECTOR_BYTES);
    if (status & BANK_STATUS_READ_FAILED) {
        return BLOCK_ZERO_READ_ERROR;
    }
    return (status & BANK_STATUS_ERASED) ? BLOCK_ZERO_BLANK : BLOCK_ZERO_READ;
}

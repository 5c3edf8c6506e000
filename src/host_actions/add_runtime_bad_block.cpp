#include <cstdio>

#include "host_actions/bad_block_lists.h"
#include "host_actions/bank_names.h"
#include "host_actions/runtime_bb_list.h"
#include "host_actions/too_many_bad_blocks.h"
#include "host_main/console.h"
#include "host_main/fatal_error.h"
#include "host_main/station_log.h"
#include "run_state/work_block.h"

namespace {

bool holds_entry(const uint8_t* list, uint8_t chip_mask, uint16_t block) {
    const uint32_t count = runtime_bb_count(list);
    for (uint32_t i = 0; i < count; ++i) {
        const RuntimeBbEntry entry = runtime_bb_entry(list, i);
        if (entry.block == block && entry.chip_mask == chip_mask) {
            return true;
        }
    }
    return false;
}

// The drive's tables and records name a type the firmware and the bad-pair
// lists do not know: nothing built from them could be trusted.
[[noreturn]] void refuse_unknown_type(uint32_t bank, uint8_t bb_type, uint16_t block) {
    set_error_colour();
    std::printf("ERROR: bad block %u of unknown type %u in ", block, bb_type);
    std::printf(BANK_AFTER_MESSAGE_LINE, BANK_NAME_ARGS(bank));
    restore_colour();
    put_to_log_buffer("Bad block %u of unknown type %u in Bank %u=%c%u\t\n", block, bb_type,
                      BANK_NAME_ARGS(bank));
    station_log_flush();
    FATAL_ERROR();
}

}  // namespace

void add_runtime_bad_block(uint32_t bank, uint8_t chip_mask, uint8_t bb_type, uint16_t block) {
    if (bb_failure_group(bb_type) == BbFailureGroup::unknown) {
        refuse_unknown_type(bank, bb_type, block);
    }
    uint8_t* list = work->runtime_bb_list[bank];
    if (holds_entry(list, chip_mask, block)) {
        return;
    }
    if (!append_runtime_bb_entry(list, {block, chip_mask, bb_type})) {
        report_too_many_bad_blocks(bank);
        station_log_flush();
        FATAL_ERROR();
    }
}

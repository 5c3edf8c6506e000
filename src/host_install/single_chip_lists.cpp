#include "host_install/single_chip_lists.h"

#include <cstring>

#include "host_actions/runtime_bb_list.h"
#include "host_install/bad_pair_lists.h"
#include "host_install/debug_assertion.h"
#include "host_install/metadata_image.h"
#include "run_state/work_block.h"
#include "little_endian.h"

namespace {

// The number stations and support know this check by.
constexpr int CHECK_BAD_PAIR_LIST_TYPE = 511;

// A pair listed twice (from the initial and from the runtime table) with
// different chips has bad blocks on both.
bool listed_with_other_mask(const uint8_t* list, uint32_t total, BadPairEntry entry) {
    for (uint32_t n = 0; n < total; ++n) {
        const BadPairEntry other = bad_pair_entry(list, n);
        if (other.pair == entry.pair && other.chip_mask != entry.chip_mask) {
            return true;
        }
    }
    return false;
}

// The pairs holding the system blocks stay off the lists: the low-chip
// system block's pair is bad on the high chip only, and the other way round.
bool holds_system_block(BadPairEntry entry, SystemBlockPair system_blocks) {
    const uint32_t low_block_pair = system_blocks.low >> 1;
    const uint32_t high_block_pair = system_blocks.high >> 1;
    return entry.chip_mask == CHIP_MASK_LOW ? entry.pair == high_block_pair : entry.pair == low_block_pair;
}

void build_bank_list(uint32_t bank_index) {
    uint8_t* single = single_chip_list(bank_index);
    std::memset(single, 0, SINGLE_CHIP_LIST_BYTES);
    std::memset(single_chip_zero_area(bank_index), 0, SINGLE_CHIP_ZERO_AREA_BYTES);
    const uint8_t* list = bad_pair_list(bank_index);
    DEBUG_ASSERT_AS_LINE(bad_pair_list_type(list) == BAD_PAIR_LIST_TYPE, CHECK_BAD_PAIR_LIST_TYPE);

    const uint32_t total = load_bad_pair_counts(bad_pair_counts(bank_index)).total;
    uint32_t high_only = 0;
    uint32_t low_only = 0;
    for (uint32_t n = 0; n < total; ++n) {
        const BadPairEntry entry = bad_pair_entry(list, n);
        if (entry.chip_mask == (CHIP_MASK_LOW | CHIP_MASK_HIGH) ||
            holds_system_block(entry, work->system_blocks[bank_index]) ||
            listed_with_other_mask(list, total, entry)) {
            continue;
        }
        if (entry.chip_mask == CHIP_MASK_LOW) {
            store_le16(single + 4 * low_only++ + 2, entry.pair);
        } else {
            store_le16(single + 4 * high_only++, entry.pair);
        }
    }
    store_le16(single + SINGLE_CHIP_HIGH_ONLY_COUNT, static_cast<uint16_t>(high_only));
    store_le16(single + SINGLE_CHIP_LOW_ONLY_COUNT, static_cast<uint16_t>(low_only));
}

}  // namespace

// The bad-pair counts were held to the list's room when the pair state was
// reset, so both halves of the list have room for every entry.
void build_single_chip_lists() {
    for (uint32_t i = 0; i < BUILD_NUM_BANKS; ++i) {
        build_bank_list(i);
    }
}

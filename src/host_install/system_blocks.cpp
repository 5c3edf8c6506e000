#include "host_install/system_blocks.h"

#include <array>
#include <bitset>
#include <cstdint>

#include "host_actions/bank_geometry.h"
#include "host_actions/initial_bb_list.h"
#include "host_install/debug_assertion.h"
#include "host_install/master_info.h"
#include "host_install/pair_allocation.h"
#include "run_state/work_block.h"

namespace {

// The numbers stations and support know these checks by.
constexpr int CHECK_CANDIDATE_LIST_FULL = 636;
constexpr int CHECK_CANDIDATE_LIST_EMPTY = 258;
constexpr int CHECK_CANDIDATE_BLOCK = 261;

constexpr uint32_t CANDIDATE_LIST_CAPACITY = 409;

// Only the first candidate is used; the count keeps the list's limit.
struct CandidateList {
    uint32_t count;
    uint32_t first;
};

struct BankCandidates {
    CandidateList high_only;  // bad on the high chip only: usable on the low chip
    CandidateList low_only;   // bad on the low chip only: usable on the high chip
};

void append_candidate(CandidateList& list, uint32_t block) {
    DEBUG_ASSERT_AS_LINE(list.count < CANDIDATE_LIST_CAPACITY, CHECK_CANDIDATE_LIST_FULL);
    if (list.count == 0) {
        list.first = block;
    }
    ++list.count;
}

// Which blocks of the bank's table are listed on the low and on the high chip.
struct ListedBlocks {
    std::bitset<BLOCKS_PER_CHIP> on_chip[2];
};

ListedBlocks find_listed_blocks(const uint8_t* table) {
    ListedBlocks listed;
    const uint32_t count = initial_bb_count(table);
    for (uint32_t n = 0; n < count; ++n) {
        const InitialBbEntry entry = initial_bb_entry(table, n);
        if (entry.block < BLOCKS_PER_CHIP) {
            listed.on_chip[entry.high_chip][entry.block] = true;
        }
    }
    return listed;
}

BankCandidates find_candidates(uint32_t bank_index) {
    const uint8_t* table = work->initial_bb_list[BUILD_BANK_TABLE[bank_index]];
    const ListedBlocks listed = find_listed_blocks(table);
    BankCandidates candidates{};
    const uint32_t count = initial_bb_count(table);
    for (uint32_t n = 0; n < count; ++n) {
        const InitialBbEntry entry = initial_bb_entry(table, n);
        if (entry.block >= BLOCKS_PER_CHIP || listed.on_chip[!entry.high_chip][entry.block]) {
            continue;
        }
        append_candidate(entry.high_chip ? candidates.high_only : candidates.low_only, entry.block);
    }
    if (candidates.high_only.count == 0 || candidates.low_only.count == 0) {
        // Both blocks of a fresh pair serve both chips. Only an empty list
        // takes them: behind other candidates they would never be chosen,
        // and a full list has no room for them.
        const uint32_t pair = allocate_pair(bank_index);
        for (CandidateList* list : {&candidates.high_only, &candidates.low_only}) {
            if (list->count == 0) {
                *list = {2, 2 * pair};
            }
        }
    }
    return candidates;
}

uint16_t system_block(const CandidateList& list) {
    DEBUG_ASSERT_AS_LINE(list.count != 0, CHECK_CANDIDATE_LIST_EMPTY);
    DEBUG_ASSERT_AS_LINE(list.first != 0 && list.first < BLOCKS_PER_CHIP, CHECK_CANDIDATE_BLOCK);
    return static_cast<uint16_t>(list.first);
}

}  // namespace

void choose_system_blocks() {
    std::array<BankCandidates, BUILD_NUM_BANKS> candidates;
    for (uint32_t i = 0; i < BUILD_NUM_BANKS; ++i) {
        candidates[i] = find_candidates(i);
    }
    for (uint32_t i = 0; i < BUILD_NUM_BANKS; ++i) {
        const SystemBlockPair blocks = {system_block(candidates[i].high_only),
                                        system_block(candidates[i].low_only)};
        store_le16(master_system_blocks_field(i), blocks.low);
        store_le16(master_system_blocks_field(i) + 2, blocks.high);
        work->system_blocks[i] = blocks;
    }
}

#include "host_install/bad_pair_lists.h"

#include <cstdio>
#include <cstring>

#include "host_actions/bank_geometry.h"
#include "host_actions/bank_names.h"
#include "host_actions/initial_bb_list.h"
#include "host_actions/runtime_bb_list.h"
#include "host_install/debug_assertion.h"
#include "host_install/system_area_layout.h"
#include "host_main/fatal_error.h"
#include "host_main/station_log.h"
#include "run_state/run_buffers.h"
#include "run_state/work_block.h"
#include "little_endian.h"
#include "selected_build.h"

namespace {

constexpr uint32_t ENTRIES_OFFSET = 4;
constexpr uint32_t ENTRY_BYTES = 4;

// The list of one bank as it is built. The list keeps at most its capacity
// of entries; an entry beyond that is still counted, and so fails the bank's
// limit, which is far below the capacity.
struct ListBuilder {
    uint8_t* list;
    uint32_t stored;
    uint32_t initial_stored;
    BadPairCounts counts;
    bool impossible_block;  // a table names a block beyond the chip
};

uint8_t* entry_at(uint8_t* list, uint32_t index) {
    return list + ENTRIES_OFFSET + ENTRY_BYTES * index;
}

void store_entry(uint8_t* list, uint32_t index, BadPairEntry entry) {
    uint8_t* bytes = entry_at(list, index);
    store_le16(bytes, entry.pair);
    bytes[2] = entry.chip_mask;
    bytes[3] = entry.type;
}

void or_chip_mask(uint8_t* list, uint32_t index, uint8_t chip_mask) {
    entry_at(list, index)[2] |= chip_mask;
}

// Pair of a block, or 0 (never listed) for a block the chip does not have.
uint32_t listed_pair(uint32_t block, ListBuilder& builder) {
    if (block >= BLOCKS_PER_CHIP) {
        builder.impossible_block = true;
        return 0;
    }
    return block / 2;
}

void insert_sorted(ListBuilder& builder, BadPairEntry entry) {
    uint32_t position = 0;
    for (; position < builder.stored; ++position) {
        const BadPairEntry listed = bad_pair_entry(builder.list, position);
        if (listed.pair == entry.pair) {
            or_chip_mask(builder.list, position, entry.chip_mask);
            return;
        }
        if (listed.pair > entry.pair) {
            break;
        }
    }
    ++builder.counts.initial;
    if (builder.stored == BAD_PAIR_LIST_CAPACITY) {
        return;
    }
    uint8_t* at = entry_at(builder.list, position);
    std::memmove(at + ENTRY_BYTES, at, ENTRY_BYTES * (builder.stored - position));
    store_entry(builder.list, position, entry);
    ++builder.stored;
}

void merge_initial_table(ListBuilder& builder, const uint8_t* table) {
    const uint32_t count = initial_bb_count(table);
    for (uint32_t index = 0; index < count; ++index) {
        const InitialBbEntry bad = initial_bb_entry(table, index);
        const uint32_t pair = listed_pair(bad.block, builder);
        if (pair != 0) {
            const uint8_t chip_mask = bad.high_chip ? CHIP_MASK_HIGH : CHIP_MASK_LOW;
            insert_sorted(builder, {static_cast<uint16_t>(pair), chip_mask, BAD_PAIR_TYPE_INITIAL});
        }
    }
    builder.initial_stored = builder.stored;
    builder.counts.total = builder.counts.initial;
}

void count_by_type(BadPairCounts& counts, uint8_t bb_type) {
    switch (bb_failure_group(bb_type)) {
        case BbFailureGroup::program:
            ++counts.program_failures;
            break;
        case BbFailureGroup::erase:
            ++counts.erase_failures;
            break;
        case BbFailureGroup::read:
            ++counts.read_failures;
            break;
        case BbFailureGroup::unknown:
            DEBUG_ASSERT(false);
    }
}

// A runtime entry joins an earlier runtime entry of its pair; the entries
// from the initial table are not looked at.
bool join_runtime_entry(ListBuilder& builder, uint32_t pair, uint8_t chip_mask) {
    for (uint32_t index = builder.initial_stored; index < builder.stored; ++index) {
        if (bad_pair_entry(builder.list, index).pair == pair) {
            or_chip_mask(builder.list, index, chip_mask);
            return true;
        }
    }
    return false;
}

void merge_runtime_table(ListBuilder& builder, const uint8_t* table) {
    const uint32_t count = runtime_bb_count(table);
    for (uint32_t index = 0; index < count; ++index) {
        const RuntimeBbEntry bad = runtime_bb_entry(table, index);
        const uint32_t pair = listed_pair(bad.block, builder);
        if (pair == 0 || join_runtime_entry(builder, pair, bad.chip_mask)) {
            continue;
        }
        if (builder.stored < BAD_PAIR_LIST_CAPACITY) {
            store_entry(builder.list, builder.stored++,
                        {static_cast<uint16_t>(pair), bad.chip_mask, bad.bb_type});
        }
        count_by_type(builder.counts, bad.bb_type);
        ++builder.counts.total;
    }
}

void store_counts(uint8_t* record, const BadPairCounts& counts) {
    std::memset(record, 0, BAD_PAIR_COUNTS_BYTES);
    store_le16(record, counts.total);
    store_le16(record + 2, counts.initial);
    store_le16(record + 4, counts.program_failures);
    store_le16(record + 6, counts.erase_failures);
    store_le16(record + 8, counts.read_failures);
}

// Builds the list of bank index i; false when a table names a block beyond
// the chip.
bool build_bank_list(uint32_t bank_index, BadPairCounts& counts) {
    const uint32_t bank = BUILD_BANK_TABLE[bank_index];
    ListBuilder builder{bad_pair_list(bank_index), 0, 0, {}, false};
    std::memset(builder.list, 0, BAD_PAIR_LIST_BYTES);
    store_le32(builder.list, BAD_PAIR_LIST_TYPE);
    merge_initial_table(builder, work->initial_bb_list[bank]);
    merge_runtime_table(builder, work->runtime_bb_list[bank]);
    store_counts(bad_pair_counts(bank_index), builder.counts);
    counts = builder.counts;
    return !builder.impossible_block;
}

[[noreturn]] void scan_list_error() {
    std::printf("ERROR: scan list has error\n");
    put_to_log_buffer("Scan list has error");
    station_log_flush();
    FATAL_ERROR();
}

}  // namespace

uint8_t* bad_pair_list(uint32_t bank_index) {
    return metadata_buffer + METADATA_IMAGE.bad_pair_list + BAD_PAIR_LIST_BYTES * bank_index;
}

uint8_t* bad_pair_counts(uint32_t bank_index) {
    return metadata_buffer + METADATA_IMAGE.bad_pair_counts + BAD_PAIR_COUNTS_BYTES * bank_index;
}

uint32_t bad_pair_list_type(const uint8_t* list) {
    return load_le32(list);
}

BadPairEntry bad_pair_entry(const uint8_t* list, uint32_t index) {
    const uint8_t* bytes = list + ENTRIES_OFFSET + ENTRY_BYTES * index;
    return {load_le16(bytes), bytes[2], bytes[3]};
}

BadPairCounts load_bad_pair_counts(const uint8_t* counts) {
    return {load_le16(counts), load_le16(counts + 2), load_le16(counts + 4), load_le16(counts + 6),
            load_le16(counts + 8)};
}

int build_bad_pair_lists() {
    clear_log_buffer();
    put_to_log_buffer("Build bad block list\n");
    bool impossible_block = false;
    for (uint32_t bank_index = 0; bank_index < BUILD_NUM_BANKS; ++bank_index) {
        BadPairCounts counts{};
        impossible_block |= !build_bank_list(bank_index, counts);
        if (counts.total > BUILD_MAX_BAD_BLOCKS) {
            const uint32_t bank = BUILD_BANK_TABLE[bank_index];
            std::printf("ERROR: too many bad blocks in " BANK_AFTER_MESSAGE_LINE, BANK_NAME_ARGS(bank));
            put_to_log_buffer("Too many bad blocks in Bank %u=%c%u\t\n", BANK_NAME_ARGS(bank));
            return 0;
        }
    }
    if (impossible_block) {
        scan_list_error();
    }
    return 1;
}

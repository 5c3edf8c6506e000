// The bad-pair lists of the FTL start state: for every expected bank, in
// bank-table order, the block pairs (blocks 2p and 2p + 1) that hold a bad
// block, and a record of their counts, both in the metadata image. Pair 0
// holds block zero and is never listed.
//
// A list is 2048 bytes: the u32 list type 2, then one 4-byte entry each (u16
// pair, u8 chip mask, u8 type). The entries from the initial table come
// first, sorted by pair and each pair once, with type 0; the entries from the
// runtime table follow in its order with their bad-block type. A pair may
// appear once in each part.
#pragma once

#include <cstdint>

inline constexpr uint32_t BAD_PAIR_LIST_TYPE = 2;
inline constexpr uint32_t BAD_PAIR_LIST_CAPACITY = 511;
inline constexpr uint8_t BAD_PAIR_TYPE_INITIAL = 0;

struct BadPairEntry {
    uint16_t pair;
    uint8_t chip_mask;
    uint8_t type;
};

// The counts record of a bank: six u16.
struct BadPairCounts {
    uint16_t total;
    uint16_t initial;
    uint16_t program_failures;  // runtime types P and PB
    uint16_t erase_failures;    // runtime types E and EB
    uint16_t read_failures;     // runtime types R, RB, RBP and RBB
};

// Where the list and the counts record of bank index i lie in metadata_buffer.
uint8_t* bad_pair_list(uint32_t bank_index);
uint8_t* bad_pair_counts(uint32_t bank_index);

uint32_t bad_pair_list_type(const uint8_t* list);
BadPairEntry bad_pair_entry(const uint8_t* list, uint32_t index);
BadPairCounts load_bad_pair_counts(const uint8_t* counts);

// Builds the lists and counts of every expected bank from the initial and
// runtime tables of the work block. Returns 1, or 0 when a bank has more
// than BUILD_MAX_BAD_BLOCKS entries (the banks after it are not built). A
// table naming a block beyond the chip ends the run; a runtime entry of an
// unknown type is a debug assertion failure.
int build_bad_pair_lists();

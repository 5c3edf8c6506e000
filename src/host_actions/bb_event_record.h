// A bad-block record the drive writes at the start of a block-zero page from
// page 10 on: two magic words, the kind, a word not read, and the entry
// packed as a runtime list entry. Pages without the magic carry no record.
#pragma once

#include <cstdint>

#include "host_actions/runtime_bb_list.h"

inline constexpr uint32_t BB_RECORD_MAGIC1 = 0x33221100;
inline constexpr uint32_t BB_RECORD_MAGIC2 = 0xCC99E2A9;

// Any other kind names a single block.
enum BbRecordKind : uint32_t {
    BB_RECORD_ADJACENT_PAIR = 2,
    BB_RECORD_PAIR_2048_APART = 3,
};

struct BbEventRecord {
    uint32_t kind;
    RuntimeBbEntry entry;
};

// False when the page does not begin with the record magic.
bool read_bb_event_record(const uint8_t* page, BbEventRecord* record);

#include "host_actions/runtime_bb_list.h"

#include <algorithm>

#include "little_endian.h"

namespace {

constexpr uint32_t MAGIC1_OFFSET = 0;
constexpr uint32_t MAGIC2_OFFSET = 4;
constexpr uint32_t COUNT_OFFSET = 12;
constexpr uint32_t ENTRIES_OFFSET = 16;

constexpr const char* MARKERS[] = {"? ", "E ", "P ", "R ", "EB ", "PB ", "RB ", "RBP ", "RBB "};

}  // namespace

uint32_t pack_runtime_bb_entry(RuntimeBbEntry entry) {
    return entry.block | (static_cast<uint32_t>(entry.chip_mask) << 16) |
           (static_cast<uint32_t>(entry.bb_type) << 24);
}

RuntimeBbEntry unpack_runtime_bb_entry(uint32_t packed) {
    return {static_cast<uint16_t>(packed), static_cast<uint8_t>(packed >> 16),
            static_cast<uint8_t>(packed >> 24)};
}

const char* bb_type_marker(uint8_t bb_type) {
    return bb_type <= BB_TYPE_RBB ? MARKERS[bb_type] : MARKERS[0];
}

BbFailureGroup bb_failure_group(uint8_t bb_type) {
    switch (bb_type) {
        case BB_TYPE_E:
        case BB_TYPE_EB:
            return BbFailureGroup::erase;
        case BB_TYPE_P:
        case BB_TYPE_PB:
            return BbFailureGroup::program;
        case BB_TYPE_R:
        case BB_TYPE_RB:
        case BB_TYPE_RBP:
        case BB_TYPE_RBB:
            return BbFailureGroup::read;
        default:
            return BbFailureGroup::unknown;
    }
}

bool runtime_bb_has_magic(const uint8_t* list) {
    return load_le32(list + MAGIC1_OFFSET) == RUNTIME_BB_MAGIC1 &&
           load_le32(list + MAGIC2_OFFSET) == RUNTIME_BB_MAGIC2;
}

void set_runtime_bb_magic(uint8_t* list) {
    store_le32(list + MAGIC1_OFFSET, RUNTIME_BB_MAGIC1);
    store_le32(list + MAGIC2_OFFSET, RUNTIME_BB_MAGIC2);
}

void clear_runtime_bb_list(uint8_t* list) {
    store_le32(list + COUNT_OFFSET, 0);
}

uint32_t runtime_bb_count(const uint8_t* list) {
    return std::min(load_le32(list + COUNT_OFFSET), RUNTIME_BB_MAX_ENTRIES);
}

RuntimeBbEntry runtime_bb_entry(const uint8_t* list, uint32_t index) {
    return unpack_runtime_bb_entry(load_le32(list + ENTRIES_OFFSET + 4 * index));
}

bool append_runtime_bb_entry(uint8_t* list, RuntimeBbEntry entry) {
    const uint32_t count = runtime_bb_count(list);
    if (count == RUNTIME_BB_MAX_ENTRIES) {
        return false;
    }
    store_le32(list + ENTRIES_OFFSET + 4 * count, pack_runtime_bb_entry(entry));
    store_le32(list + COUNT_OFFSET, count + 1);
    return true;
}

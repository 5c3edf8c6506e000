#include "host_actions/initial_bb_list.h"

#include <algorithm>

#include "little_endian.h"

namespace {

constexpr uint32_t ENTRIES_OFFSET = 2;
constexpr uint16_t HIGH_CHIP_BIT = 0x8000;
constexpr uint16_t BLOCK_BITS = 0x7FFF;

uint8_t* entry_at(uint8_t* list, uint32_t index) {
    return list + ENTRIES_OFFSET + 2 * index;
}

}  // namespace

uint32_t initial_bb_count(const uint8_t* list) {
    return std::min<uint32_t>(load_le16(list), INITIAL_BB_MAX_ENTRIES);
}

bool initial_bb_count_fits(const uint8_t* list) {
    return load_le16(list) <= INITIAL_BB_MAX_ENTRIES;
}

InitialBbEntry initial_bb_entry(const uint8_t* list, uint32_t index) {
    const uint16_t packed = load_le16(list + ENTRIES_OFFSET + 2 * index);
    return {static_cast<uint16_t>(packed & BLOCK_BITS), (packed & HIGH_CHIP_BIT) != 0};
}

void clear_initial_bb_list(uint8_t* list) {
    store_le16(list, 0);
}

bool append_initial_bb_entry(uint8_t* list, InitialBbEntry entry) {
    const uint32_t count = initial_bb_count(list);
    if (count == INITIAL_BB_MAX_ENTRIES) {
        return false;
    }
    const uint16_t chip_bit = entry.high_chip ? HIGH_CHIP_BIT : 0;
    store_le16(entry_at(list, count), static_cast<uint16_t>((entry.block & BLOCK_BITS) | chip_bit));
    store_le16(list, static_cast<uint16_t>(count + 1));
    return true;
}

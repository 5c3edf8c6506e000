// The regions of the metadata image in the metadata buffer, per bank index
// (the bank's position in BUILD_BANK_TABLE), and the fields of the records
// the firmware context build and the fragmentation keep up to date. All
// offsets follow from the build's layout (system_area_layout.h).
#pragma once

#include <cstdint>

#include "host_install/system_area_layout.h"
#include "run_state/run_buffers.h"

// FTL map: byte u holds bits 0-7, u16 u of the high words bits 8-23 of the
// physical unit address of logical unit u.
inline uint8_t* map_low_bytes() {
    return metadata_buffer;
}

inline uint8_t* map_high_words() {
    return metadata_buffer + METADATA_IMAGE.map_high_words;
}

inline uint8_t* single_chip_list(uint32_t bank_index) {
    return metadata_buffer + METADATA_IMAGE.single_chip_list + bank_index * SINGLE_CHIP_LIST_BYTES;
}

inline uint8_t* single_chip_zero_area(uint32_t bank_index) {
    return metadata_buffer + METADATA_IMAGE.single_chip_zero_area + bank_index * SINGLE_CHIP_ZERO_AREA_BYTES;
}

inline uint8_t* pair_state(uint32_t bank_index) {
    return metadata_buffer + METADATA_IMAGE.pair_state + bank_index * PAIR_STATE.bytes;
}

inline uint8_t* bank_record(uint32_t bank_index) {
    return metadata_buffer + METADATA_IMAGE.bank_record + bank_index * BANK_RECORD_BYTES;
}

inline uint8_t* active_block_record(uint32_t bank_index) {
    return metadata_buffer + METADATA_IMAGE.active_block_record + bank_index * ACTIVE_BLOCK_RECORD.bytes;
}

inline uint8_t* image_tail() {
    return metadata_buffer + METADATA_IMAGE.image_tail;
}

// single_chip_list: high-only pair n at 4n, low-only pair n at 4n + 2, the
// two counts and a zero word after the pairs.
inline constexpr uint32_t SINGLE_CHIP_HIGH_ONLY_COUNT = 2048;
inline constexpr uint32_t SINGLE_CHIP_LOW_ONLY_COUNT = 2050;
inline constexpr uint32_t SINGLE_CHIP_RESERVED = 2052;

// pair_state: the written-count byte of a pair with no written page.
inline constexpr uint8_t PAIR_NOTHING_WRITTEN = 0xFF;

// bank_record fields.
inline constexpr uint32_t BANK_FREE_PAIRS = 0;
inline constexpr uint32_t BANK_ZERO_PAGE_PAIR = 2;

// active_block_record fields; the page bitmap and the logical units of the
// pages follow at ACTIVE_BLOCK_RECORD.page_bitmap and .logical_units.
inline constexpr uint32_t ACTIVE_PAIR = 0;
inline constexpr uint32_t ACTIVE_NEXT_PAGE = 2;
inline constexpr uint32_t ACTIVE_PAGES_WRITTEN = 4;
// A record's last page holds the pair's summary, not a unit: the pair is full
// when this many pages are written.
inline constexpr uint32_t UNIT_PAGES_PER_PAIR = BUILD_PAGES_PER_BLOCK - 1;
inline constexpr uint32_t NO_LOGICAL_UNIT = 0xFFFFFFFF;

// image_tail fields.
inline constexpr uint32_t TAIL_SPARE_PAIR = 0;
inline constexpr uint32_t TAIL_BYTE4 = 4;
inline constexpr uint32_t TAIL_BYTE5 = 5;
inline constexpr uint32_t TAIL_MARKER = 8;
inline constexpr uint32_t TAIL_MAGIC = 12;
inline constexpr uint32_t TAIL_MARKER_VALUE = 0xFFFFFFFE;
inline constexpr uint32_t TAIL_MAGIC_VALUE = 0xFCE56378;

// Bit n of a bitmap, in byte n / 8 at bit n % 8: the free pairs of a bank and
// the written pages of a pair.
inline bool bitmap_bit(const uint8_t* bitmap, uint32_t n) {
    return (bitmap[n / 8] >> (n % 8)) & 1u;
}

inline void set_bitmap_bit(uint8_t* bitmap, uint32_t n) {
    bitmap[n / 8] = static_cast<uint8_t>(bitmap[n / 8] | (1u << (n % 8)));
}

inline void clear_bitmap_bit(uint8_t* bitmap, uint32_t n) {
    bitmap[n / 8] = static_cast<uint8_t>(bitmap[n / 8] & ~(1u << (n % 8)));
}

// Sizes and offsets of the FTL start state and of the buffers that carry it,
// all following from a build's bank count N, pages per block P and capacity
// U (FTL units). The layout functions take any build's parameters, so that
// the layouts of all builds can be checked in every compile; the constants
// below them are the selected build's.
#pragma once

#include <bit>
#include <cstdint>

#include "selected_build.h"

inline constexpr uint32_t PAIRS_PER_CHIP = 4096;
// One page of both blocks of a pair on both chips: the FTL's unit of storage
// and of every pair-page transfer.
inline constexpr uint32_t PAIR_PAGE_BYTES = 16384;
inline constexpr uint32_t BAD_PAIR_LIST_BYTES = 2048;
inline constexpr uint32_t BAD_PAIR_COUNTS_BYTES = 12;
inline constexpr uint32_t SINGLE_CHIP_LIST_BYTES = 2056;
inline constexpr uint32_t SINGLE_CHIP_ZERO_AREA_BYTES = 512;
inline constexpr uint32_t BANK_RECORD_BYTES = 20;
inline constexpr uint32_t IMAGE_TAIL_BYTES = 16;
inline constexpr uint32_t MASTER_INFO_BUFFER_BYTES = 1024;
inline constexpr uint32_t HIL_CONTEXT_BYTES = PAIR_PAGE_BYTES;
// The bad-pair lists start on the first multiple of this after the map.
inline constexpr uint32_t METADATA_MAP_ALIGNMENT = 128;

constexpr uint32_t bank_count(const BuildParameters& build) {
    return static_cast<uint32_t>(std::popcount(build.bank_bmp));
}

constexpr uint32_t round_up_to_multiple(uint32_t value, uint32_t multiple) {
    return (value + multiple - 1) / multiple * multiple;
}

// Bitmap of the pages of one pair, bit p in byte p / 8.
constexpr uint32_t page_bitmap_bytes(uint32_t pages_per_block) {
    return pages_per_block / 8;
}

// pair_state of one bank: per pair the written-page count, then per pair the
// written-page bitmap, a table of one u32 per pair, the free-pair bitmap.
struct PairStateLayout {
    uint32_t page_bitmaps;  // the written-page counts are at 0
    uint32_t pair_table;
    uint32_t free_bitmap;
    uint32_t bytes;
};

constexpr PairStateLayout pair_state_layout(uint32_t pages_per_block) {
    PairStateLayout layout{};
    layout.page_bitmaps = PAIRS_PER_CHIP;
    layout.pair_table = layout.page_bitmaps + PAIRS_PER_CHIP * page_bitmap_bytes(pages_per_block);
    layout.free_bitmap = layout.pair_table + PAIRS_PER_CHIP * 4;
    layout.bytes = layout.free_bitmap + PAIRS_PER_CHIP / 8;
    return layout;
}

// active_block_record of one bank: pair (u16), next page (u16), pages written
// (u32), the written-page bitmap, then the logical unit of pages 0 to P - 2.
struct ActiveBlockRecordLayout {
    uint32_t page_bitmap;
    uint32_t logical_units;
    uint32_t bytes;
};

constexpr ActiveBlockRecordLayout active_block_record_layout(uint32_t pages_per_block) {
    ActiveBlockRecordLayout layout{};
    layout.page_bitmap = 8;
    layout.logical_units = layout.page_bitmap + page_bitmap_bytes(pages_per_block);
    layout.bytes = layout.logical_units + 4 * (pages_per_block - 1);
    return layout;
}

// Offsets of the metadata image's regions, each directly after the one
// before. The map's low bytes start at 0. Without single-chip lists their
// region and the zero area after it are empty (their offsets equal the next).
struct MetadataImageLayout {
    uint32_t map_high_words;
    uint32_t map_end;  // the context build clears everything below it
    uint32_t bad_pair_list;
    uint32_t bad_pair_counts;
    uint32_t single_chip_list;
    uint32_t single_chip_zero_area;
    uint32_t pair_state;
    uint32_t bank_record;
    uint32_t active_block_record;
    uint32_t image_tail;
    uint32_t content_bytes;   // what a read-back must reproduce
    uint32_t readback_bytes;  // the content in whole sectors
    uint32_t total_bytes;     // the content in whole pair pages: what is sent and programmed
};

constexpr MetadataImageLayout metadata_image_layout(const BuildParameters& build) {
    const uint32_t banks = bank_count(build);
    const uint32_t units = build.ftl_units;
    const uint32_t single_chip_bytes = build.single_chip_lists ? SINGLE_CHIP_LIST_BYTES : 0;
    const uint32_t zero_area_bytes = build.single_chip_lists ? SINGLE_CHIP_ZERO_AREA_BYTES : 0;
    MetadataImageLayout layout{};
    layout.map_high_words = units + 2;
    layout.map_end = layout.map_high_words + 2 * units;
    layout.bad_pair_list = round_up_to_multiple(layout.map_end, METADATA_MAP_ALIGNMENT);
    layout.bad_pair_counts = layout.bad_pair_list + banks * BAD_PAIR_LIST_BYTES;
    layout.single_chip_list = layout.bad_pair_counts + banks * BAD_PAIR_COUNTS_BYTES;
    layout.single_chip_zero_area = layout.single_chip_list + banks * single_chip_bytes;
    layout.pair_state = layout.single_chip_zero_area + banks * zero_area_bytes;
    layout.bank_record = layout.pair_state + banks * pair_state_layout(build.pages_per_block).bytes;
    layout.active_block_record = layout.bank_record + banks * BANK_RECORD_BYTES;
    layout.image_tail =
        layout.active_block_record + banks * active_block_record_layout(build.pages_per_block).bytes;
    layout.content_bytes = layout.image_tail + IMAGE_TAIL_BYTES;
    layout.readback_bytes = round_up_to_multiple(layout.content_bytes, 512);
    layout.total_bytes = round_up_to_multiple(layout.content_bytes, PAIR_PAGE_BYTES);
    return layout;
}

// Offsets of the master info's fields. The first marker 0xFFFFFFFE is at 0;
// the metadata pairs follow it in master_copies equal copies of N u16.
struct MasterInfoLayout {
    uint32_t metadata_pairs;
    uint32_t second_marker;
    uint32_t system_blocks;    // N (low-chip block, high-chip block)
    uint32_t master_location;  // bank index and page, two u32
    uint32_t hil_pairs;        // N u16
    uint32_t hil_location;     // bank index and page, two u32
    uint32_t magic;            // u32 magic, u8 10, u8 0, u16 0, u32 0xFFFFFFFF
    uint32_t content_bytes;    // what a read-back must reproduce
};

constexpr MasterInfoLayout master_info_layout(const BuildParameters& build) {
    const uint32_t banks = bank_count(build);
    MasterInfoLayout layout{};
    layout.metadata_pairs = 4;
    layout.second_marker = layout.metadata_pairs + 2 * banks * build.master_copies;
    layout.system_blocks = layout.second_marker + 4;
    layout.master_location = layout.system_blocks + 4 * banks;
    layout.hil_pairs = layout.master_location + 8;
    layout.hil_location = layout.hil_pairs + 2 * banks;
    layout.magic = layout.hil_location + 8;
    layout.content_bytes = layout.magic + 12;
    return layout;
}

// Width of the FTL's physical unit address, (bank index * 4096 + pair) * P + page.
constexpr uint32_t physical_unit_address_bits(const BuildParameters& build) {
    return static_cast<uint32_t>(
        std::bit_width(bank_count(build) * PAIRS_PER_CHIP * build.pages_per_block - 1));
}

// The zero-page read-back fetches one pair page of every bank at once.
constexpr uint32_t zero_page_readback_bytes(const BuildParameters& build) {
    return bank_count(build) * PAIR_PAGE_BYTES;
}

// The fragmentation's order table: one u32 unit number per FTL unit.
constexpr uint64_t fragmentation_order_bytes(const BuildParameters& build) {
    return uint64_t{4} * build.ftl_units;
}

// The selected build's values.
inline constexpr PairStateLayout PAIR_STATE = pair_state_layout(BUILD_PAGES_PER_BLOCK);
inline constexpr ActiveBlockRecordLayout ACTIVE_BLOCK_RECORD =
    active_block_record_layout(BUILD_PAGES_PER_BLOCK);
inline constexpr MetadataImageLayout METADATA_IMAGE = metadata_image_layout(BUILD);
inline constexpr MasterInfoLayout MASTER_INFO = master_info_layout(BUILD);
inline constexpr uint32_t METADATA_IMAGE_UNITS = METADATA_IMAGE.total_bytes / PAIR_PAGE_BYTES;
inline constexpr uint32_t METADATA_IMAGE_SECTORS = METADATA_IMAGE.total_bytes / 512;
inline constexpr uint32_t METADATA_READBACK_SECTORS = METADATA_IMAGE.readback_bytes / 512;
inline constexpr uint32_t PHYSICAL_UNIT_ADDRESS_BITS = physical_unit_address_bits(BUILD);
inline constexpr uint32_t ZERO_PAGE_READBACK_BYTES = zero_page_readback_bytes(BUILD);
inline constexpr uint64_t FRAGMENTATION_ORDER_BYTES = fragmentation_order_bytes(BUILD);
// The system blocks of the expected banks, as held in the work block, the
// master info and the stamp: one (u16, u16) pair per bank.
inline constexpr uint32_t SYSTEM_BLOCKS_BYTES = 4 * BUILD_NUM_BANKS;

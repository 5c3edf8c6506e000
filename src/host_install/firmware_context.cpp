#include "host_install/firmware_context.h"

#include <cstring>

#include "host_install/bad_pair_lists.h"
#include "host_install/debug_assertion.h"
#include "host_install/hil_context.h"
#include "host_install/master_info.h"
#include "host_install/metadata_image.h"
#include "host_install/pair_allocation.h"
#include "host_install/single_chip_lists.h"
#include "host_install/system_blocks.h"
#include "run_state/work_block.h"
#include "images/embedded_images.h"

namespace {

// The numbers stations and support know these checks by.
constexpr int CHECK_BAD_PAIR_ENTRY = 798;
constexpr int CHECK_FIRST_ALLOCATION = 808;

void store_image_lengths() {
    work->firmware_length = firmware_image_length;
    work->overlay_length = overlay_image_length;
    work->bootloader_length = bootloader_image_length;
}

// Every pair free except the listed bad ones, nothing written anywhere. A
// count beyond the list's room would read entries that do not exist.
void reset_pair_state(uint32_t bank_index) {
    const uint8_t* list = bad_pair_list(bank_index);
    const uint32_t total = load_bad_pair_counts(bad_pair_counts(bank_index)).total;
    DEBUG_ASSERT_AS_LINE(total <= BAD_PAIR_LIST_CAPACITY, CHECK_BAD_PAIR_ENTRY);

    uint8_t* record = bank_record(bank_index);
    std::memset(record, 0, BANK_RECORD_BYTES);
    store_le16(record + BANK_FREE_PAIRS, static_cast<uint16_t>(PAIRS_PER_CHIP - total));

    uint8_t* state = pair_state(bank_index);
    std::memset(state, PAIR_NOTHING_WRITTEN, PAIR_STATE.page_bitmaps);
    std::memset(state + PAIR_STATE.page_bitmaps, 0, PAIR_STATE.free_bitmap - PAIR_STATE.page_bitmaps);
    uint8_t* free_bitmap = state + PAIR_STATE.free_bitmap;
    std::memset(free_bitmap, 0xFF, PAIRS_PER_CHIP / 8);
    for (uint32_t n = 0; n < total; ++n) {
        const uint32_t pair = bad_pair_entry(list, n).pair;
        DEBUG_ASSERT_AS_LINE(pair != 0 && pair < PAIRS_PER_CHIP, CHECK_BAD_PAIR_ENTRY);
        clear_bitmap_bit(free_bitmap, pair);
    }
}

void allocate_metadata_pairs() {
    for (uint32_t i = 0; i < BUILD_NUM_BANKS; ++i) {
        const auto pair = static_cast<uint16_t>(allocate_pair(i));
        for (uint32_t copy = 0; copy < BUILD_MASTER_COPIES; ++copy) {
            store_le16(master_metadata_pair_field(copy, i), pair);
        }
    }
}

void allocate_hil_context_pairs() {
    for (uint32_t i = 0; i < BUILD_NUM_BANKS; ++i) {
        store_le16(master_hil_pair_field(i), static_cast<uint16_t>(allocate_pair(i)));
    }
    store_location(MASTER_INFO.hil_location, {0, 0});
}

void write_master_info_frame() {
    store_le32(master_info_buffer, MASTER_MARKER_VALUE);
    store_le32(master_info_buffer + MASTER_INFO.second_marker, MASTER_MARKER_VALUE);
    store_location(MASTER_INFO.master_location, {0, 0});
}

void write_master_info_magic() {
    uint8_t* magic = master_info_buffer + MASTER_INFO.magic;
    store_le32(magic, MASTER_MAGIC_VALUE);
    magic[4] = MASTER_MAGIC_BYTE;
    magic[5] = 0;
    store_le16(magic + 6, 0);
    store_le32(magic + 8, MASTER_END_VALUE);
}

void allocate_zero_page_pairs() {
    for (uint32_t i = 0; i < BUILD_NUM_BANKS; ++i) {
        store_le16(bank_record(i) + BANK_ZERO_PAGE_PAIR, static_cast<uint16_t>(allocate_pair(i)));
    }
}

void allocate_active_pairs() {
    for (uint32_t i = 0; i < BUILD_NUM_BANKS; ++i) {
        uint8_t* record = active_block_record(i);
        std::memset(record, 0, ACTIVE_BLOCK_RECORD.bytes);
        store_le16(record + ACTIVE_PAIR, static_cast<uint16_t>(allocate_pair(i)));
    }
}

}  // namespace

int build_firmware_context() {
    store_image_lengths();
    for (uint32_t i = 0; i < BUILD_NUM_BANKS; ++i) {
        reset_pair_state(i);
    }
    for (uint32_t i = 0; i < BUILD_NUM_BANKS; ++i) {
        DEBUG_ASSERT_AS_LINE(allocate_pair(i) == 0, CHECK_FIRST_ALLOCATION);
    }
    choose_system_blocks();
    allocate_metadata_pairs();
    write_master_info_frame();
    uint8_t* tail = image_tail();
    tail[TAIL_BYTE5] = 0;
    store_le32(tail + TAIL_MARKER, TAIL_MARKER_VALUE);
    store_le32(tail + TAIL_MAGIC, TAIL_MAGIC_VALUE);
    if (BUILD_SINGLE_CHIP_LISTS) {
        build_single_chip_lists();
    }
    allocate_hil_context_pairs();
    write_master_info_magic();
    make_hil_context();
    std::memset(map_low_bytes(), 0, METADATA_IMAGE.map_end);
    allocate_zero_page_pairs();
    allocate_active_pairs();
    tail[TAIL_BYTE4] = 0;
    store_le32(tail + TAIL_SPARE_PAIR, allocate_pair(0));
    return 1;
}

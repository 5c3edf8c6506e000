#include "host_install/ftl_fragmentation.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <utility>

#include "codec/random.h"
#include "host_install/debug_assertion.h"
#include "host_install/metadata_image.h"
#include "host_install/pair_allocation.h"
#include "host_install/system_area_transfers.h"
#include "host_install/transfer_buffer.h"
#include "host_main/command_channel.h"
#include "host_main/factory_commands.h"
#include "little_endian.h"

namespace {

constexpr uint32_t SHUFFLE_ROUNDS = 10;
// The order table is far larger than the caches, so nearly every swap target
// is a miss. The targets of this many swaps are drawn in one go and all asked
// for from memory before the first of their swaps waits on one.
constexpr uint32_t SWAPS_PER_BATCH = 64;
// The data a unit page is programmed with: one zero sector at the start of
// the data window.
constexpr uint32_t UNIT_DATA_BYTES = 512;
// A full pair's summary page carries its active_block_record and what
// follows it in the image, in whole sectors.
constexpr uint32_t SUMMARY_BYTES = round_up_to_multiple(ACTIVE_BLOCK_RECORD.bytes, 512);
constexpr uint32_t SUMMARY_PAGE = BUILD_PAGES_PER_BLOCK - 1;

static_assert(METADATA_IMAGE.active_block_record + BUILD_NUM_BANKS * ACTIVE_BLOCK_RECORD.bytes -
                      ACTIVE_BLOCK_RECORD.bytes + SUMMARY_BYTES <=
                  METADATA_IMAGE.total_bytes,
              "the last bank's summary lies within the image");
static_assert(SUMMARY_BYTES <= PAIR_PAGE_BYTES);

void send_unit_data(uint8_t* transfer) {
    std::memset(transfer, 0, UNIT_DATA_BYTES);
    fill_data_only();
    SEND_TO_DEVICE(transfer, UNIT_DATA_BYTES / 512);
}

void map_unit(uint32_t unit, uint32_t bank_index, uint32_t pair, uint32_t page) {
    const uint32_t address = (bank_index * PAIRS_PER_CHIP + pair) * BUILD_PAGES_PER_BLOCK + page;
    map_low_bytes()[unit] = static_cast<uint8_t>(address);
    store_le16(map_high_words() + 2 * unit, static_cast<uint16_t>(address >> 8));
}

// Programs the pair's summary page, records the pair as written in its
// pair_state and makes a fresh pair the bank's active one.
void close_full_pair(uint32_t bank_index, uint8_t* transfer) {
    uint8_t* record = active_block_record(bank_index);
    const uint32_t pair = load_le16(record + ACTIVE_PAIR);
    const uint32_t bank = BUILD_BANK_TABLE[bank_index];
    fill_flash_sync();
    SEND_TO_DEVICE(nullptr, 0);
    std::memcpy(transfer, record, SUMMARY_BYTES);
    fill_pair_page_program(bank, DATA_WINDOW_ADDRESS, SUMMARY_BYTES, pair_page_row(pair, SUMMARY_PAGE), 1);
    SEND_TO_DEVICE(transfer, SUMMARY_BYTES / 512);

    uint8_t* state = pair_state(bank_index);
    state[pair] = static_cast<uint8_t>(load_le32(record + ACTIVE_PAGES_WRITTEN) - 1);
    const uint32_t bitmap_bytes = page_bitmap_bytes(BUILD_PAGES_PER_BLOCK);
    std::memcpy(state + PAIR_STATE.page_bitmaps + pair * bitmap_bytes,
                record + ACTIVE_BLOCK_RECORD.page_bitmap, bitmap_bytes);

    store_le16(record + ACTIVE_PAIR, static_cast<uint16_t>(allocate_pair(bank_index)));
    store_le16(record + ACTIVE_NEXT_PAGE, 0);
    store_le32(record + ACTIVE_PAGES_WRITTEN, 0);
    std::memset(record + ACTIVE_BLOCK_RECORD.page_bitmap, 0, bitmap_bytes);
    std::memset(record + ACTIVE_BLOCK_RECORD.logical_units, 0xFF, 4 * UNIT_PAGES_PER_PAIR);
}

// Unit k of the order goes to the next page of the active pair of bank
// index k mod N.
void write_unit(uint32_t k, uint32_t unit, uint8_t* transfer) {
    const uint32_t bank_index = k % BUILD_NUM_BANKS;
    uint8_t* record = active_block_record(bank_index);
    const uint32_t pair = load_le16(record + ACTIVE_PAIR);
    const uint32_t page = load_le16(record + ACTIVE_NEXT_PAGE);
    DEBUG_ASSERT(page < UNIT_PAGES_PER_PAIR && pair < PAIRS_PER_CHIP);
    store_le32(record + ACTIVE_PAGES_WRITTEN, load_le32(record + ACTIVE_PAGES_WRITTEN) + 1);
    store_le16(record + ACTIVE_NEXT_PAGE, static_cast<uint16_t>(page + 1));
    set_bitmap_bit(record + ACTIVE_BLOCK_RECORD.page_bitmap, page);
    store_le32(record + ACTIVE_BLOCK_RECORD.logical_units + 4 * page, unit);

    fill_pair_page_program(BUILD_BANK_TABLE[bank_index], DATA_WINDOW_ADDRESS, UNIT_DATA_BYTES,
                           pair_page_row(pair, page), 0);
    SEND_TO_DEVICE(nullptr, 0);
    map_unit(unit, bank_index, pair, page);

    if (page + 1 == UNIT_PAGES_PER_PAIR) {
        close_full_pair(bank_index, transfer);
        std::printf("fragmentation...%.2f%%\r", static_cast<double>(k) / BUILD_FTL_UNITS * 100);
        std::fflush(stdout);
        // The summary overwrote the unit data at the start of the data window.
        send_unit_data(transfer);
    }
}

void swap_batch(uint32_t* order, const int32_t* targets, uint32_t swaps) {
    for (uint32_t i = 0; i < 2 * swaps; ++i) {
        __builtin_prefetch(order + targets[i], 1);
    }
    for (uint32_t i = 0; i < swaps; ++i) {
        std::swap(order[targets[2 * i]], order[targets[2 * i + 1]]);
    }
}

}  // namespace

void shuffle_units(uint32_t* order) {
    for (uint32_t u = 0; u < BUILD_FTL_UNITS; ++u) {
        order[u] = u;
    }
    const auto last = static_cast<int32_t>(BUILD_FTL_UNITS - 1);
    const uint32_t swaps = SHUFFLE_ROUNDS * BUILD_FTL_UNITS;
    int32_t targets[2 * SWAPS_PER_BATCH];
    for (uint32_t done = 0; done < swaps; done += SWAPS_PER_BATCH) {
        const uint32_t batch = std::min(SWAPS_PER_BATCH, swaps - done);
        random_ranges(0, last, targets, 2 * batch);
        swap_batch(order, targets, batch);
    }
}

void ftl_fragmentation() {
    auto* order = reinterpret_cast<uint32_t*>(ALLOCATE_TRANSFER_BUFFER(FRAGMENTATION_ORDER_BYTES));
    uint8_t* transfer = ALLOCATE_TRANSFER_BUFFER(PAIR_PAGE_BYTES);
    shuffle_units(order);
    send_unit_data(transfer);
    for (uint32_t k = 0; k < BUILD_FTL_UNITS; ++k) {
        write_unit(k, order[k], transfer);
    }
    // The units of the pairs still active are queued in the controller; they
    // must reach the flash before anything resets the drive.
    fill_flash_sync();
    SEND_TO_DEVICE(nullptr, 0);
    release_transfer_buffer(transfer);
    release_transfer_buffer(reinterpret_cast<uint8_t*>(order));
    std::printf("fragmentation...done\t\t\n");
}

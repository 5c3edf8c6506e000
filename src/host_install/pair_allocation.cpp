#include "host_install/pair_allocation.h"

#include <bit>
#include <cstdio>

#include "host_actions/bank_names.h"
#include "host_install/metadata_image.h"
#include "host_main/fatal_error.h"
#include "host_main/station_log.h"
#include "little_endian.h"

namespace {

[[noreturn]] void no_free_pair(uint32_t bank_index) {
    const uint32_t bank = BUILD_BANK_TABLE[bank_index];
    std::printf("ERROR: no free block pair in " BANK_AFTER_MESSAGE_LINE, BANK_NAME_ARGS(bank));
    put_to_log_buffer("No free block pair in Bank %u=%c%u\t\n", BANK_NAME_ARGS(bank));
    station_log_flush();
    FATAL_ERROR();
}

}  // namespace

uint32_t allocate_pair(uint32_t bank_index) {
    uint8_t* free_bitmap = pair_state(bank_index) + PAIR_STATE.free_bitmap;
    for (uint32_t byte = 0; byte < PAIRS_PER_CHIP / 8; ++byte) {
        if (free_bitmap[byte] != 0) {
            const uint32_t pair = byte * 8 + static_cast<uint32_t>(std::countr_zero(free_bitmap[byte]));
            clear_bitmap_bit(free_bitmap, pair);
            uint8_t* free_pairs = bank_record(bank_index) + BANK_FREE_PAIRS;
            store_le16(free_pairs, static_cast<uint16_t>(load_le16(free_pairs) - 1));
            return pair;
        }
    }
    no_free_pair(bank_index);
}

#include "host_actions/stamp_reader.h"

#include <cstdio>
#include <cstring>

#include "block_zero.h"
#include "host_actions/bank_geometry.h"
#include "host_actions/bank_names.h"
#include "host_actions/block_zero_page.h"
#include "host_actions/controller_actions.h"
#include "images/stamp.h"
#include "little_endian.h"
#include "run_state/work_block.h"

namespace {

// The stamp is written as one 2048-byte page, padded with 0xFF.
constexpr uint32_t STAMP_PAGE_BYTES = 2048;

alignas(SECTOR_BYTES) uint8_t stamp_page[STAMP_PAGE_BYTES];

// True when a bank's stamp page read cleanly.
bool read_first_clean_stamp_page() {
    for (uint32_t bank = 0; bank < BANK_POSITIONS; ++bank) {
        if (!is_expected_bank(bank)) {
            continue;
        }
        switch (read_block_zero_page(bank, STAMP_PAGE, STAMP_PAGE_BYTES, stamp_page)) {
            case BLOCK_ZERO_READ:
                return true;
            case BLOCK_ZERO_READ_ERROR:
                std::printf("ERROR: stamp is corrupted in ");
                std::printf(BANK_AFTER_MESSAGE_LINE, BANK_NAME_ARGS(bank));
                break;
            default:
                std::printf(BANK_AFTER_MESSAGE_LINE, BANK_NAME_ARGS(bank));
        }
    }
    return false;
}

}  // namespace

bool read_stamp(uint8_t* destination) {
    if (work->initialized == 0) {
        std::printf("ERROR: not initialized\n");
        return false;
    }
    // The stamp is written with Big ECC and can only be read back with it.
    reset_flash_controller(true);
    const bool clean = read_first_clean_stamp_page();
    reset_flash_controller(false);
    std::memcpy(destination, stamp_page, STAMP_BYTES);
    // A page that did not read cleanly may hold anything, even the magic.
    return clean && load_le32(stamp_page + STAMP_MAGIC_OFFSET) == STAMP_MAGIC;
}

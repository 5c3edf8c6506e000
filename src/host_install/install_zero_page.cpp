#include <algorithm>
#include <cstring>

#include "host_install/install_failure.h"
#include "host_install/metadata_image.h"
#include "host_install/system_area_installers.h"
#include "host_install/system_area_transfers.h"
#include "host_install/transfer_buffer.h"
#include "host_main/command_channel.h"
#include "host_main/factory_commands.h"
#include "host_main/station_log.h"
#include "little_endian.h"

namespace {

uint32_t zero_page_row(uint32_t bank_index, uint32_t page) {
    return pair_page_row(load_le16(bank_record(bank_index) + BANK_ZERO_PAGE_PAIR), page);
}

void program_zero_pages() {
    for (uint32_t page = 0; page < BUILD_PAGES_PER_BLOCK; ++page) {
        for (uint32_t i = 0; i < BUILD_NUM_BANKS; ++i) {
            fill_pair_page_program(BUILD_BANK_TABLE[i], DATA_WINDOW_ADDRESS, PAIR_PAGE_BYTES,
                                   zero_page_row(i, page), 0);
            SEND_TO_DEVICE(nullptr, 0);
        }
    }
}

// Page `page` of every bank, bank index i at pair page i of the buffer.
void read_back_page(uint32_t page, uint8_t* buffer) {
    for (uint32_t i = 0; i < BUILD_NUM_BANKS; ++i) {
        fill_pair_page_read(BUILD_BANK_TABLE[i], DATA_WINDOW_ADDRESS + PAIR_PAGE_BYTES * i,
                            zero_page_row(i, page), 0);
        SEND_TO_DEVICE(nullptr, 0);
    }
    fill_flash_sync();
    SEND_TO_DEVICE(nullptr, 0);
    RECV_FROM_DEVICE(DATA_WINDOW_SECTOR, buffer, ZERO_PAGE_READBACK_BYTES / 512);
}

}  // namespace

void install_zero_page() {
    clear_log_buffer();
    put_to_log_buffer("Installing zero page...");
    uint8_t* buffer = ALLOCATE_TRANSFER_BUFFER(ZERO_PAGE_READBACK_BYTES);
    std::memset(buffer, 0, PAIR_PAGE_BYTES);
    fill_data_only();
    SEND_TO_DEVICE(buffer, PAIR_PAGE_BYTES / 512);
    program_zero_pages();
    for (uint32_t page = 0; page < BUILD_PAGES_PER_BLOCK; ++page) {
        read_back_page(page, buffer);
        if (!std::all_of(buffer, buffer + ZERO_PAGE_READBACK_BYTES, [](uint8_t byte) { return byte == 0; })) {
            INSTALL_FAILURE("Zero page install fail");
        }
    }
    release_transfer_buffer(buffer);
    clear_log_buffer();
}

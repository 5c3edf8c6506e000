#include <cstring>

#include "host_actions/bank_geometry.h"
#include "host_install/debug_assertion.h"
#include "host_install/install_failure.h"
#include "host_install/master_info.h"
#include "host_install/system_area_installers.h"
#include "host_install/system_area_transfers.h"
#include "host_install/transfer_buffer.h"
#include "host_main/command_channel.h"
#include "host_main/station_log.h"

void install_master_info() {
    clear_log_buffer();
    put_to_log_buffer("installing master info...");
    const SystemAreaLocation location = read_location(MASTER_INFO.master_location);
    DEBUG_ASSERT(location.bank_index < BUILD_NUM_BANKS && location.page < BUILD_PAGES_PER_BLOCK);
    const uint32_t bank = BUILD_BANK_TABLE[location.bank_index];
    const uint8_t* system_blocks = master_system_blocks_field(location.bank_index);
    const uint32_t row_low = page_row(load_le16(system_blocks), location.page);
    const uint32_t row_high = page_row(load_le16(system_blocks + 2), location.page);

    fill_block_page_program(bank, MASTER_INFO_BUFFER_BYTES, row_low, row_high);
    SEND_TO_DEVICE(master_info_buffer, MASTER_INFO_BUFFER_BYTES / 512);
    fill_block_page_read(bank, MASTER_INFO_BUFFER_BYTES, row_low, row_high);
    SEND_TO_DEVICE(nullptr, 0);
    uint8_t* read = ALLOCATE_TRANSFER_BUFFER(MASTER_INFO_BUFFER_BYTES);
    RECV_FROM_DEVICE(DATA_WINDOW_SECTOR, read, MASTER_INFO_BUFFER_BYTES / 512);
    if (std::memcmp(read, master_info_buffer, MASTER_INFO.content_bytes) != 0) {
        INSTALL_CORRUPTION("Master install fail\nData corruption. see good.bin and bad.bin\n",
                           master_info_buffer, read, MASTER_INFO.content_bytes);
    }
    release_transfer_buffer(read);
    clear_log_buffer();
}

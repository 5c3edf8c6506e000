#include <cstring>

#include "host_install/install_failure.h"
#include "host_install/master_info.h"
#include "host_install/system_area_installers.h"
#include "host_install/system_area_transfers.h"
#include "host_install/transfer_buffer.h"
#include "host_main/command_channel.h"
#include "host_main/factory_commands.h"
#include "host_main/station_log.h"
#include "run_state/run_buffers.h"

namespace {

// Unit c of the image lies at pair page c of the data window and goes to
// bank index c mod N, page c / N of that bank's metadata pair.
struct MetadataUnit {
    uint32_t bank;
    uint32_t sdram_addr;
    uint32_t row;
};

MetadataUnit metadata_unit(uint32_t c) {
    const uint32_t bank_index = c % BUILD_NUM_BANKS;
    return {BUILD_BANK_TABLE[bank_index], DATA_WINDOW_ADDRESS + PAIR_PAGE_BYTES * c,
            pair_page_row(master_metadata_pair(bank_index), c / BUILD_NUM_BANKS)};
}

void sync_flash() {
    fill_flash_sync();
    SEND_TO_DEVICE(nullptr, 0);
}

}  // namespace

void install_metadata() {
    clear_log_buffer();
    put_to_log_buffer("installing metadata...");
    fill_data_only();
    SEND_TO_DEVICE(metadata_buffer, METADATA_IMAGE_SECTORS);
    for (uint32_t c = 0; c < METADATA_IMAGE_UNITS; ++c) {
        const MetadataUnit unit = metadata_unit(c);
        fill_pair_page_program(unit.bank, unit.sdram_addr, PAIR_PAGE_BYTES, unit.row, 0);
        SEND_TO_DEVICE(nullptr, 0);
    }
    sync_flash();
    for (uint32_t c = 0; c < METADATA_IMAGE_UNITS; ++c) {
        const MetadataUnit unit = metadata_unit(c);
        fill_pair_page_read(unit.bank, unit.sdram_addr, unit.row, 0);
        SEND_TO_DEVICE(nullptr, 0);
    }
    sync_flash();
    uint8_t* read = ALLOCATE_TRANSFER_BUFFER(METADATA_IMAGE.readback_bytes);
    RECV_FROM_DEVICE(DATA_WINDOW_SECTOR, read, METADATA_READBACK_SECTORS);
    if (std::memcmp(read, metadata_buffer, METADATA_IMAGE.content_bytes) != 0) {
        INSTALL_CORRUPTION("Metadata install fail\ndata corruption. see good.bin and bad.bin\n",
                           metadata_buffer, read, METADATA_IMAGE.content_bytes);
    }
    release_transfer_buffer(read);
    clear_log_buffer();
}

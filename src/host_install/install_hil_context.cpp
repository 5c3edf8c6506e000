#include <cstring>

#include "host_install/debug_assertion.h"
#include "host_install/hil_context.h"
#include "host_install/install_failure.h"
#include "host_install/master_info.h"
#include "host_install/system_area_installers.h"
#include "host_install/system_area_transfers.h"
#include "host_install/transfer_buffer.h"
#include "host_main/command_channel.h"
#include "host_main/station_log.h"

void install_hil_context() {
    clear_log_buffer();
    put_to_log_buffer("installing HIL context...");
    const SystemAreaLocation location = read_location(MASTER_INFO.hil_location);
    DEBUG_ASSERT(hil_context != nullptr && location.bank_index < BUILD_NUM_BANKS &&
                 location.page < BUILD_PAGES_PER_BLOCK);
    const uint32_t bank = BUILD_BANK_TABLE[location.bank_index];
    const uint32_t row = pair_page_row(master_hil_pair(location.bank_index), location.page);

    fill_pair_page_program(bank, DATA_WINDOW_ADDRESS, HIL_CONTEXT_BYTES, row, 0);
    SEND_TO_DEVICE(hil_context, HIL_CONTEXT_BYTES / 512);
    fill_pair_page_read(bank, DATA_WINDOW_ADDRESS, row, 1);
    SEND_TO_DEVICE(nullptr, 0);
    uint8_t* read = ALLOCATE_TRANSFER_BUFFER(HIL_CONTEXT_BYTES);
    RECV_FROM_DEVICE(DATA_WINDOW_SECTOR, read, HIL_CONTEXT_BYTES / 512);
    if (std::memcmp(read, hil_context, HIL_CONTEXT_BYTES) != 0) {
        INSTALL_CORRUPTION("HIL install fail\nData corruption. see good.bin and bad.bin\n", hil_context, read,
                           HIL_CONTEXT_BYTES);
    }
    release_transfer_buffer(read);
    release_hil_context();
    clear_log_buffer();
}

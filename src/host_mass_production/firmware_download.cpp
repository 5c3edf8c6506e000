#include <cstdio>
#include <cstring>

#include "host_actions/controller_actions.h"
#include "host_install/bad_pair_lists.h"
#include "host_install/block_zero_writer.h"
#include "host_install/calibration_pattern.h"
#include "host_install/firmware_context.h"
#include "host_install/ftl_fragmentation.h"
#include "host_install/system_area_installers.h"
#include "host_install/system_area_layout.h"
#include "host_install/system_block_erase.h"
#include "host_main/command_channel.h"
#include "host_main/console.h"
#include "host_main/factory_commands.h"
#include "host_main/fatal_error.h"
#include "host_main/run_allocation.h"
#include "host_main/station_log.h"
#include "host_mass_production/flash_test.h"
#include "run_state/run_buffers.h"
#include "host_mass_production/stages.h"
#include "run_state/work_block.h"
#include "images/image_pages.h"
#include "images/prepare_images.h"
#include "images/stamp.h"
#include "platform/memory.h"
#include "platform/message_box.h"

namespace {

constexpr int PLAIN = 0;
constexpr int ENCODED = 1;
constexpr int COPIED = 1;

uint8_t* allocate_cleared(size_t bytes) {
    uint8_t* buffer = ALLOCATE_RUN_BUFFER(bytes);
    std::memset(buffer, 0, bytes);
    return buffer;
}

void build_context() {
    if (build_bad_pair_lists() == 0) {
        put_to_log_buffer("Bad block list build fail");
        station_log_flush();
        FATAL_ERROR();
    }
    if (build_firmware_context() == 0) {
        clear_log_buffer();
        station_log_write(STATUS_FAIL, 0, 1, "Firmware context build fail");
        FATAL_ERROR();
    }
}

// One run of block-zero pages on every expected bank; a page that does not
// read back ends the run under the write's label.
void write_pages(const char* failure_label, const uint8_t* source, uint32_t first_page, uint32_t page_slot,
                 int encoded, int copy, uint32_t length) {
    if (write_block_zero_pages(source, first_page, image_page_count(length), page_slot, encoded, copy,
                               length) == 0) {
        put_to_log_buffer("%s", failure_label);
        station_log_flush();
        FATAL_ERROR();
    }
}

void write_firmware_images() {
    reset_flash_controller(true);
    prepare_images();
    write_pages("Big ECC\n", work->stamp, STAMP_PAGE, IMAGE_PAGE_BYTES, PLAIN, COPIED, STAMP_BYTES);
    write_pages("2nd Bootloader - Big ECC", work->bootloader_staging, BOOTLOADER_FIRST_PAGE, IMAGE_PAGE_BYTES,
                PLAIN, COPIED, work->bootloader_length);

    reset_flash_controller(false);
    if (write_calibration_pattern() == 0) {
        put_to_log_buffer("calibration pattern - Normal ECC\n");
        station_log_flush();
        FATAL_ERROR();
    }

    reset_flash_controller(true);
    write_pages("Firmware - Big ECC\n", work->firmware_staging, FIRMWARE_FIRST_PAGE, ENCODED_PAGE_SLOT_BYTES,
                ENCODED, 0, work->firmware_length);
    write_pages("Firmware Runtime Overlay - Big ECC\n", work->overlay_staging,
                overlay_first_page(work->firmware_length), ENCODED_PAGE_SLOT_BYTES, ENCODED, 0,
                work->overlay_length);
    reset_flash_controller(false);
}

bool fragmentation_wanted(bool operator_mode, int32_t fragmentation) {
    if (!operator_mode) {
        return false;
    }
    if (fragmentation == -1) {
        return prompt_key("FTL fragmentation ?", "yn") == 'y';
    }
    return fragmentation == 1;
}

void reset_drive() {
    clear_log_buffer();
    put_to_log_buffer("Firmware download finish\nReset device");
    fill_reset_device();
    SEND_TO_DEVICE(nullptr, 0);
    clear_log_buffer();
}

}  // namespace

void firmware_download(bool operator_mode, int32_t fragmentation) {
    metadata_buffer = allocate_cleared(METADATA_IMAGE.total_bytes);
    master_info_buffer = allocate_cleared(MASTER_INFO_BUFFER_BYTES);
    build_context();
    build_stamp();

    reset_flash_controller(false);
    install_zero_page();
    install_metadata();
    install_hil_context();
    erase_last_block_system_blocks();
    install_master_info();

    write_firmware_images();
    if (fragmentation_wanted(operator_mode, fragmentation)) {
        ftl_fragmentation();
    }
    std::printf("\nfirmware installation complete\n");
    if (blank_count != BUILD_NUM_BANKS) {
        platform::message_box("change the jumper setting (factory mode -> normal mode)");
    }
    reset_drive();
    station_log_write(STATUS_FINISH, 0, 0, "Firmware download finish");
}

#include "images/stamp.h"

#include <cstring>

#include "run_state/work_block.h"
#include "images/embedded_images.h"
#include "images/identity.h"
#include "images/station_date.h"
#include "little_endian.h"
#include "platform/environment.h"

namespace {

// Copies a text that fits its field, with its terminator; the bytes after
// the terminator keep what they hold.
void store_text(uint8_t* field, const char* text) {
    std::memcpy(field, text, std::strlen(text) + 1);
}

void store_words() {
    const struct {
        size_t offset;
        uint32_t value;
    } words[] = {
        {STAMP_MAGIC_OFFSET, STAMP_MAGIC},
        {STAMP_BOOTLOADER_SIZE_OFFSET, bootloader_image_length},
        {STAMP_OVERLAY_SIZE_OFFSET, overlay_image_length},
        {STAMP_FIRMWARE_SIZE_OFFSET, firmware_image_length},
        {STAMP_BUILD_OPTIONS_OFFSET, BUILD_STAMP_BUILD_OPTIONS},
        {STAMP_FLASH_TYPE_OFFSET, BUILD_STAMP_FLASH_TYPE},
        {STAMP_CUSTOMER_TYPE_OFFSET, BUILD_STAMP_CUSTOMER_TYPE},
        {STAMP_PCB_TYPE_OFFSET, BUILD_STAMP_PCB_TYPE},
        {STAMP_SDRAM_SIZE_OFFSET, STAMP_SDRAM_SIZE},
        {STAMP_BANK_BMP_OFFSET, BUILD_BANK_BMP},
        {STAMP_CLOCK_SPEED_OFFSET, STAMP_CLOCK_SPEED},
        {STAMP_NUM_BANKS_OFFSET, BUILD_NUM_BANKS},
        {STAMP_BUILD_NUMBER_OFFSET, BUILD_STAMP_BUILD_NUMBER},
    };
    for (const auto& word : words) {
        store_le32(work->stamp + word.offset, word.value);
    }
}

void store_system_blocks() {
    for (uint32_t index = 0; index < BUILD_NUM_BANKS; ++index) {
        uint8_t* pair = work->stamp + STAMP_SYSTEM_BLOCKS_OFFSET + 4 * index;
        store_le16(pair, work->system_blocks[index].low);
        store_le16(pair + 2, work->system_blocks[index].high);
    }
}

// The whole width of each field, including what follows a shorter text's
// terminator.
void store_identity() {
    std::memcpy(work->stamp + STAMP_SERIAL_NUMBER_OFFSET, serial_number, SERIAL_NUMBER_CHARS);
    std::memcpy(work->stamp + STAMP_FW_REVISION_OFFSET, fw_revision, FW_REVISION_CHARS);
    std::memcpy(work->stamp + STAMP_MODEL_NUMBER_OFFSET, model_number, MODEL_NUMBER_CHARS);
}

void store_firmware_texts() {
    store_text(work->stamp + STAMP_FW_SOURCE_PATH_OFFSET, BUILD_FW_SOURCE_PATH);
    store_text(work->stamp + STAMP_FW_BUILD_DATE_OFFSET, BUILD_FW_BUILD_DATE);
    store_text(work->stamp + STAMP_FW_BUILD_HOST_OFFSET, BUILD_FW_BUILD_HOST);
    store_text(work->stamp + STAMP_FW_BUILD_USER_OFFSET, BUILD_FW_BUILD_USER);
}

// A directory too long for the field leaves it as it is.
void store_station_dir() {
    char directory[STAMP_PATH_FIELD_BYTES];
    if (platform::current_directory(directory, sizeof directory)) {
        store_text(work->stamp + STAMP_STATION_DIR_OFFSET, directory);
    }
}

void store_station_date() {
    char date[STAMP_TEXT_FIELD_BYTES];
    current_station_date(date, sizeof date);
    store_text(work->stamp + STAMP_STATION_DATE_OFFSET, date);
}

// An unset variable gives an empty text; a longer value is cut to fit.
void store_environment_text(size_t offset, const char* name) {
    char* field = reinterpret_cast<char*>(work->stamp + offset);
    if (!platform::environment_variable(name, field, STAMP_TEXT_FIELD_BYTES)) {
        field[0] = '\0';
    }
}

}  // namespace

void build_stamp() {
    store_words();
    store_system_blocks();
    store_identity();
    store_firmware_texts();
    store_station_dir();
    store_station_date();
    store_environment_text(STAMP_STATION_HOST_OFFSET, "COMPUTERNAME");
    store_environment_text(STAMP_STATION_USER_OFFSET, "USERNAME");
}

#include <cstdint>
#include <cstdio>

#include "host_actions/bank_names.h"
#include "host_actions/controller_actions.h"
#include "host_actions/flash_id.h"
#include "host_main/command_channel.h"
#include "host_main/console.h"
#include "host_main/factory_commands.h"
#include "host_main/fatal_error.h"
#include "host_main/station_log.h"
#include "run_state/run_buffers.h"
#include "host_mass_production/stages.h"
#include "run_state/work_block.h"
#include "little_endian.h"
#include "selected_build.h"

namespace {

constexpr uint32_t ID_BYTES = 16;

// The IDs stay in the controller's buffer and are copied into the command
// sector, where they are read back.
void read_ids(uint32_t bank, uint16_t ids[FLASH_ID_WORDS]) {
    fill_flash_op({.sub_op = FOP_READ_ID,
                   .bank = bank,
                   .options = 0,
                   .sdram_addr = CONTROLLER_BUFFER,
                   .byte_count = ID_BYTES,
                   .nand_cmd = 0,
                   .row = 0,
                   .wait_flag = 1,
                   .batch_flag = 1});
    SEND_TO_DEVICE(nullptr, 0);
    fill_buffer_copy(CONTROLLER_BUFFER, DRIVE_SDRAM_BASE, ID_BYTES);
    SEND_TO_DEVICE(nullptr, 0);
    RECV_FROM_DEVICE(COMMAND_SECTOR, test_buffer, 1);
    for (uint32_t j = 0; j < FLASH_ID_WORDS; ++j) {
        ids[j] = load_le16(test_buffer + 2 * j);
    }
}

void print_and_log(const char* text) {
    std::printf("%s", text);
    put_to_log_buffer("%s", text);
}

// " %02X" for each ID byte of one chip; shift 0 for the low chip, 8 for the high.
void show_chip_ids(const uint16_t ids[FLASH_ID_WORDS], unsigned shift) {
    for (uint32_t j = 0; j < FLASH_ID_WORDS; ++j) {
        char text[8];
        std::snprintf(text, sizeof text, " %02X", (ids[j] >> shift) & 0xFFu);
        print_and_log(text);
    }
}

void show_bank_ids(uint32_t bank, const uint16_t ids[FLASH_ID_WORDS], bool wrong) {
    std::printf(BANK_CONSOLE_NAME " low:", BANK_NAME_ARGS(bank));
    put_to_log_buffer(BANK_LOG_NAME " low:", BANK_NAME_ARGS(bank));
    show_chip_ids(ids, 0);
    print_and_log("\thigh:");
    show_chip_ids(ids, 8);
    if (wrong) {
        set_error_colour();
        std::printf(" ERROR ");
        restore_colour();
    }
    std::printf("\n");
    put_to_log_buffer("\n\n");
}

// Bit b set: bank position b answered with the build's part.
uint32_t identify_banks() {
    uint32_t bank_present = 0;
    for (uint32_t bank = 0; bank < BANK_POSITIONS; ++bank) {
        uint16_t ids[FLASH_ID_WORDS];
        read_ids(bank, ids);
        const FlashIdResult result = check_flash_id(ids);
        if (result == FLASH_ID_NO_FLASH) {
            continue;
        }
        show_bank_ids(bank, ids, result == FLASH_ID_WRONG);
        if (result == FLASH_ID_EXPECTED) {
            bank_present |= 1u << bank;
        }
    }
    return bank_present;
}

// More flash than the build expects: the operator may take the drive as it is.
bool operator_accepts_larger(uint32_t bank_present) {
    if (prompt_key("WARNING: Detected flash configuration is larger than intended. Proceed ?", "yn") == 'y') {
        return true;
    }
    put_to_log_buffer("Detected flash configuration is larger than intended.\nCurrent configuration = %04X",
                      bank_present);
    return false;
}

}  // namespace

void module_test(bool operator_mode) {
    std::printf("initialize flash\n");
    reset_flash_controller(false);
    reset_banks();
    // The trail keeps the whole ID dump: a refused configuration delivers it.
    const uint32_t bank_present = identify_banks();
    if (bank_present == BUILD_BANK_BMP) {
        work->initialized = 1;
        return;
    }
    std::printf("bank_bmp = %04X\n", bank_present);
    const bool larger = (bank_present & BUILD_BANK_BMP) == BUILD_BANK_BMP;
    if (operator_mode && larger) {
        if (operator_accepts_larger(bank_present)) {
            work->initialized = 1;
            return;
        }
        station_log_flush();
        FATAL_ERROR();
    }
    set_error_colour();
    std::printf("ERROR: bank configuration error (must be %04X)\n", BUILD_BANK_BMP);
    restore_colour();
    put_to_log_buffer("Bank configuration error (must be %04X)\nCurrent configuration = %04X", BUILD_BANK_BMP,
                      bank_present);
    station_log_flush();
    FATAL_ERROR();
}

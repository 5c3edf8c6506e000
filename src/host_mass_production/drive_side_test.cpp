#include "host_mass_production/drive_side_test.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "host_actions/bad_block_lists.h"
#include "host_actions/controller_actions.h"
#include "host_main/command_channel.h"
#include "host_main/console.h"
#include "host_main/factory_commands.h"
#include "host_main/fatal_error.h"
#include "host_main/station_log.h"
#include "host_mass_production/drive_path.h"
#include "host_mass_production/flash_test_record.h"
#include "host_mass_production/test_program_status.h"
#include "host_mass_production/timing_report.h"
#include "run_state/work_block.h"
#include "images/embedded_images.h"
#include "little_endian.h"
#include "platform/clock.h"
#include "platform/console.h"
#include "platform/disk.h"

namespace {

constexpr uint32_t PROGRAM_PAYLOAD_SECTORS = 10;
constexpr uint32_t REQUEST_SECTORS = 3;

void start_test_program(uint8_t* data_buffer) {
    std::memcpy(data_buffer, test_program, test_program_length);
    fill_run_program(DATA_WINDOW_ADDRESS, test_program_length);
    SEND_TO_DEVICE(data_buffer, PROGRAM_PAYLOAD_SECTORS);
    platform::sleep_milliseconds(1000);
}

// Writes sector by sector behind the command sector, where the command
// channel left the drive's position.
void upload_sectors(const uint8_t* bytes, uint32_t sectors) {
    for (uint32_t i = 0; i < sectors; ++i) {
        if (!platform::disk_write(work->drive, bytes + SECTOR_BYTES * i, SECTOR_BYTES)) {
            set_error_colour();
            std::printf("ERROR: no response from drive\n");
            restore_colour();
            put_to_log_buffer("No response from drive");
            station_log_flush();
            FATAL_ERROR();
        }
    }
}

// Every upload goes out from the start of the data buffer.
void upload_through_buffer(const uint8_t* tables, uint32_t bytes, uint8_t* data_buffer) {
    std::memcpy(data_buffer, tables, bytes);
    upload_sectors(data_buffer, bytes / SECTOR_BYTES);
}

void upload_tables_and_request(uint32_t kind, uint32_t count, uint8_t* data_buffer) {
    upload_through_buffer(&work->initial_bb_list[0][0], sizeof work->initial_bb_list, data_buffer);
    upload_through_buffer(&work->runtime_bb_list[0][0], sizeof work->runtime_bb_list, data_buffer);
    // Words 3 on are zero; word 2 is the program's, and the rest of the three
    // sectors keeps what the runtime tables left in the buffer.
    store_le32(data_buffer + 4 * RECORD_KIND, kind);
    store_le32(data_buffer + 4 * RECORD_COUNT, count);
    std::memset(data_buffer + 4 * RECORD_STATE, 0, FLASH_TEST_RECORD_BYTES - 4 * RECORD_STATE);
    upload_sectors(data_buffer, REQUEST_SECTORS);
}

[[noreturn]] void finish_timing_test(uint8_t* data_buffer) {
    if (!read_timing_results(data_buffer)) {
        set_error_colour();
        std::printf("ERROR: no response from drive\n");
        restore_colour();
        FATAL_ERROR();
    }
    print_timing_report(stdout, data_buffer);
    platform::disk_close(work->drive);
    work->drive = platform::INVALID_DISK_HANDLE;
    std::printf("\npress any key to finish\n");
    std::fflush(stdout);
    platform::console_read_key();
    std::exit(0);
}

// The program has changed the drive's state: start again from factory mode
// with the tables the drive now holds in block zero.
void reopen_drive(uint32_t drive_number) {
    platform::disk_close(work->drive);
    std::fflush(nullptr);
    platform::sleep_milliseconds(2000);
    platform::sleep_milliseconds(3000);
    char path[DRIVE_PATH_CHARS];
    format_drive_path(drive_number, path);
    work->drive = platform::disk_open(path);
    if (work->drive == platform::INVALID_DISK_HANDLE || work->drive == platform::REFUSED_DISK_HANDLE ||
        work->drive == platform::BUSY_DISK_HANDLE) {
        set_error_colour();
        std::printf("ERROR: cannot open target drive %s\n", path);
        restore_colour();
        station_log_write(STATUS_FAIL, 0, 1, "Cannot open target drive");
        FATAL_ERROR();
    }
    enable_factory_mode(SDRAM_64_MB);
    platform::sleep_milliseconds(10);
    reset_flash_controller(false);
    platform::sleep_milliseconds(10);
    reset_banks();
    platform::sleep_milliseconds(10);
    find_scan_lists(false);
}

}  // namespace

bool drive_side_flash_test(uint32_t kind, uint32_t count, bool timing_test, uint32_t drive_number,
                           uint8_t* data_buffer) {
    clear_log_buffer();
    const char* title = timing_test ? "NAND Flash timing test\n" : "NAND Flash test\n";
    std::printf("%s", title);
    put_to_log_buffer("%s", title);
    std::printf("wait..\r");
    std::fflush(stdout);

    start_test_program(data_buffer);
    upload_tables_and_request(kind, count, data_buffer);
    bool errors_seen = false;
    const bool completed = watch_test_program(timing_test, data_buffer, &errors_seen);
    std::printf("\n");
    if (!completed) {
        set_error_colour();
        std::printf("ERROR: NAND Flash test failed\n");
        restore_colour();
        put_to_log_buffer("Flash test fail\n");
        station_log_flush();
        FATAL_ERROR();
    }
    if (timing_test) {
        finish_timing_test(data_buffer);
    }
    reopen_drive(drive_number);
    return errors_seen;
}

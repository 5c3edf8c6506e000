#include "host_mass_production/test_program_status.h"

#include <cstdio>
#include <cstring>

#include "host_main/command_channel.h"
#include "host_main/console.h"
#include "host_mass_production/flash_test_record.h"
#include "run_state/work_block.h"
#include "platform/clock.h"
#include "platform/disk.h"
#include "sector.h"

namespace {

constexpr uint32_t STATUS_SECTOR = DATA_WINDOW_SECTOR;
constexpr uint32_t TIMING_RESULT_SECTORS = 2;
constexpr unsigned LAST_BLOCK = 8191;
constexpr uint32_t PROGRESS_POLL_MS = 2000;
// Far longer than the program takes for one block in any state.
constexpr uint32_t STALL_LIMIT_MS = 30 * 60 * 1000;

// One progress line on standard error; false when the status is not the
// program's.
bool show_progress(const uint8_t* status, bool timing_test, bool* errors_seen) {
    const uint32_t magic = record_word(status, RECORD_MAGIC);
    if (magic != FLASH_TEST_MAGIC) {
        std::fprintf(stderr, "wrong response from device, %u\n", magic);
        return false;
    }
    const uint32_t state = record_word(status, RECORD_STATE);
    const unsigned block = record_word(status, RECORD_BLOCK);
    const uint32_t total_errors = record_word(status, RECORD_TOTAL_ERRORS);
    const bool in_error_colour = !timing_test && total_errors != 0;
    if (in_error_colour) {
        set_error_colour();
        *errors_seen = true;
    }
    switch (state) {
        case STATE_ERASE:
            std::fprintf(stderr, "erase %u of %u", block, LAST_BLOCK);
            break;
        case STATE_PROGRAM:
            std::fprintf(stderr, "program %u of %u", block, LAST_BLOCK);
            break;
        case STATE_READ:
            std::fprintf(stderr, "read %u of %u", block, LAST_BLOCK);
            break;
        case STATE_ERASE_AND_PROGRAM:
            std::fprintf(stderr, "erase & program %u of %u", block, LAST_BLOCK);
            break;
        case STATE_COMPLETE:
            std::fprintf(stderr, "complete");
            break;
        default:
            std::fprintf(stderr, "wrong response from device\n");
            if (in_error_colour) {
                restore_colour();
            }
            return false;
    }
    if (timing_test) {
        if (state == STATE_READ) {
            std::fprintf(stderr, " (read_cycle=%u)\r", record_word(status, RECORD_READ_CYCLE));
        } else {
            std::fprintf(stderr, "\t\t\t\r");
        }
    } else {
        std::fprintf(stderr, ", total errors = %u\t\t\t\r", total_errors);
    }
    if (in_error_colour) {
        restore_colour();
    }
    return true;
}

}  // namespace

bool watch_test_program(bool timing_test, uint8_t* data_buffer, bool* errors_seen) {
    platform::sleep_milliseconds(2000);
    uint8_t last_status[4 * RECORD_CORRECTABLE] = {};
    uint32_t polls_without_progress = 0;
    for (;;) {
        platform::sleep_milliseconds(PROGRESS_POLL_MS);
        RECV_FROM_DEVICE(STATUS_SECTOR, data_buffer, 1);
        if (!show_progress(data_buffer, timing_test, errors_seen)) {
            return false;
        }
        if (record_word(data_buffer, RECORD_STATE) == STATE_COMPLETE) {
            return true;
        }
        // A program whose state, block, error count and read cycle stand
        // still has hung: the station must not wait for it for ever.
        const bool progressed = std::memcmp(last_status, data_buffer, sizeof last_status) != 0;
        std::memcpy(last_status, data_buffer, sizeof last_status);
        polls_without_progress = progressed ? 0 : polls_without_progress + 1;
        if (polls_without_progress * PROGRESS_POLL_MS >= STALL_LIMIT_MS) {
            std::fprintf(stderr, "\nno progress from device\n");
            return false;
        }
    }
}

// One sector per read, continuing from where the status read left the
// drive's position.
bool read_timing_results(uint8_t* data_buffer) {
    for (uint32_t i = 1; i <= TIMING_RESULT_SECTORS; ++i) {
        platform::sleep_milliseconds(1);
        if (!platform::disk_read(work->drive, data_buffer + SECTOR_BYTES * i, SECTOR_BYTES)) {
            return false;
        }
    }
    return true;
}

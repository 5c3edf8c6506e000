#include "host_mass_production/production_run.h"

#include <cstdio>
#include <cstring>

#include "codec/random.h"
#include "host_main/fatal_error.h"
#include "host_main/station_log.h"
#include "host_mass_production/command_line.h"
#include "host_mass_production/rework_journal.h"
#include "run_state/run_buffers.h"
#include "host_mass_production/serial_number.h"
#include "host_mass_production/stages.h"
#include "run_state/work_block.h"
#include "images/identity.h"
#include "platform/clock.h"
#include "platform/console.h"
#include "platform/disk.h"

namespace {

constexpr uint32_t DEFAULT_TIMING_TEST_SIZE = 3;

// The answer to a count question. One that is not a number, or closed input,
// counts as 0; a count the drive-side test cannot be asked for ends the run
// before the drive is touched, as the same count on the command line does.
uint32_t read_count_from_operator(const char* question, const char* what) {
    std::printf("%s", question);
    std::fflush(stdout);
    char answer[32] = "";
    uint32_t count = 0;
    if (std::scanf("%31s", answer) == 1 && !read_flash_test_count(answer, &count)) {
        std::printf("ERROR: invalid %s (0 to %u)\n", what, FLASH_TEST_COUNT_MAX);
        station_log_write(STATUS_FAIL, 0, 1, "Invalid %s (0 to %u)", what, FLASH_TEST_COUNT_MAX);
        FATAL_ERROR();
    }
    platform::console_end_answer_line();
    return count;
}

struct FlashTestChoice {
    uint32_t kind;
    uint32_t count;
};

FlashTestChoice choose_flash_test(bool operator_mode, bool timing_test, int32_t bist_count) {
    if (timing_test) {
        return {FLASH_TEST_TIMING,
                operator_mode ? read_count_from_operator("Flash timing test size = ", "timing test size")
                              : DEFAULT_TIMING_TEST_SIZE};
    }
    if (!operator_mode) {
        return {FLASH_TEST_NAND, 0};
    }
    if (bist_count != -1) {
        std::printf("Flash BIST count = %d\n", bist_count);
        return {FLASH_TEST_NAND, static_cast<uint32_t>(bist_count)};
    }
    return {FLASH_TEST_NAND, read_count_from_operator("Flash BIST count = ", "BIST count")};
}

void start_stage(int32_t stage) {
    current_stage = stage;
}

}  // namespace

void production_run(uint32_t drive_number, bool operator_mode, bool timing_test, int32_t fragmentation,
                    int32_t bist_count) {
    start_stage(STAGE_TOOL_START);
    station_log_write(STATUS_START, 0, 0, "%s", BUILT_IN_REVISION);
    std::memset(work->scan_list_found, 0, sizeof work->scan_list_found);
    std::memset(work->initial_bb_list, 0, sizeof work->initial_bb_list);
    random_init(static_cast<uint32_t>(platform::calendar_seconds()));
    const FlashTestChoice flash_choice = choose_flash_test(operator_mode, timing_test, bist_count);

    start_stage(STAGE_SATA_TEST);
    station_log_write(STATUS_START, 0, 0, "SATA Test start.\nDrive number = %d\n",
                      static_cast<int>(drive_number));
    sata_sdram_test(drive_number);
    std::printf("\n");
    station_log_write(STATUS_FINISH, 0, 0, "SATA Test finish");

    start_stage(STAGE_MODULE_TEST);
    station_log_write(STATUS_START, 0, 0, "Module Test start");
    module_test(operator_mode);
    station_log_write(STATUS_FINISH, 0, 0, "Module test finish");

    start_stage(STAGE_FLASH_TEST);
    station_log_write(STATUS_START, 0, 0, "Flash test start");
    settle_serial_number();
    set_console_title(drive_number);
    flash_test(drive_number, operator_mode, timing_test, flash_choice.kind, flash_choice.count);
    station_log_write(STATUS_FINISH, 0, 0, "Flash test finish");

    start_stage(STAGE_FIRMWARE_DOWNLOAD);
    station_log_write(STATUS_START, 0, 0, "Firmware download start");
    firmware_download(operator_mode, fragmentation);
    discard_rework_journal();

    platform::disk_close(work->drive);
    work->drive = platform::INVALID_DISK_HANDLE;
    release_run_buffers();
}

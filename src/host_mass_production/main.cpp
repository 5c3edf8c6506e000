// prodtool: takes one drive in factory mode through its production run.
#include <cstdio>

#include "host_main/fatal_error.h"
#include "host_main/station_log.h"
#include "host_mass_production/command_line.h"
#include "host_mass_production/production_run.h"
#include "host_mass_production/program_seal.h"
#include "run_state/work_block.h"
#include "platform/console.h"
#include "platform/library.h"
#include "platform/memory.h"

namespace {

// A damaged program file could carry damaged drive images: refuse to run.
void check_program_file() {
    char path[4096];
    if (!platform::program_file_path(path, sizeof path) || !file_seal_is_intact(path)) {
        std::printf("ERROR: program file is damaged\n");
        FATAL_ERROR();
    }
}

void allocate_work_block() {
    work = static_cast<WorkBlock*>(platform::pages_allocate(sizeof(WorkBlock)));
    if (work == nullptr) {
        std::printf("ERROR: memory allocation failure\n");
        FATAL_ERROR();
    }
    work->drive = platform::INVALID_DISK_HANDLE;
    work->initialized = 0;
}

}  // namespace

int main(int argc, char** argv) {
    platform::console_open_standard_streams();
    check_program_file();
    RunOptions options;
    if (!read_command_line(argc, argv, &options)) {
        return 0;
    }
    allocate_work_block();
    station_log_start(options.drive_number);
    production_run(options.drive_number, options.operator_mode, options.timing_test, options.fragmentation,
                   options.bist_count);
    station_log_finish();
    platform::pages_release(work, sizeof(WorkBlock));
    work = nullptr;
    return 0;
}

#include "support/fuzz_run.h"

#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "host_main/command_channel.h"
#include "host_main/fatal_error.h"
#include "host_main/station_log.h"
#include "run_state/work_block.h"
#include "platform/memory.h"
#include "sector.h"
#include "support/doubles/recording_disk.h"

namespace {

std::jmp_buf fatal_end;
bool in_run = false;

void serve_at_data_window(const uint8_t* data, size_t size) {
    std::vector<uint8_t>& source = recording_disk.read_source;
    const size_t start = size_t{DATA_WINDOW_SECTOR} * SECTOR_BYTES;
    source.assign(start + size, 0);
    std::memcpy(source.data() + start, data, size);
}

}  // namespace

// The tool's fatal tail, without the end of the process.
void fatal_error(const char* source_path, unsigned line) {
    std::printf("error at %s %u\n", source_path, line);
    std::fflush(nullptr);
    if (!in_run) {
        std::abort();
    }
    std::longjmp(fatal_end, 1);
}

void start_fuzz_run() {
    if (work == nullptr) {
        work = static_cast<WorkBlock*>(platform::pages_allocate(sizeof(WorkBlock)));
    }
    std::memset(static_cast<void*>(work), 0, sizeof(WorkBlock));
    work->drive = 3;
    work->initialized = 1;
    recording_disk_reset();
    clear_log_buffer();
}

bool run_to_fatal_end(void (*step)()) {
    in_run = true;
    // Nothing in `step`'s frames needs its destructors: the tool holds no
    // resources in automatic objects.
    if (setjmp(fatal_end) != 0) {
        in_run = false;
        return false;
    }
    step();
    in_run = false;
    return true;
}

int run_on_data_window(const uint8_t* data, size_t size, size_t largest, void (*step)()) {
    if (size > largest) {
        return -1;
    }
    start_fuzz_run();
    serve_at_data_window(data, size);
    run_to_fatal_end(step);
    return 0;
}

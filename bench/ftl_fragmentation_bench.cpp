// The FTL fragmentation on the host side: the shuffle of the order table,
// one program command per unit through the command channel, and the image
// kept up to date. The drive takes every sector at once, so the figure is the
// tool's own cost. The tool's other large buffers are allocated and touched
// as in a run, so that the process's peak memory can be read beside it.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstring>

#include "codec/random.h"
#include "host_install/bad_pair_lists.h"
#include "host_install/firmware_context.h"
#include "host_install/ftl_fragmentation.h"
#include "host_install/hil_context.h"
#include "host_install/system_area_layout.h"
#include "host_mass_production/run_buffers.h"
#include "host_mass_production/work_block.h"
#include "platform/memory.h"

namespace {

uint8_t* touched_buffer(size_t bytes) {
    auto* buffer = static_cast<uint8_t*>(platform::aligned_allocate(bytes));
    std::memset(buffer, 0, bytes);
    return buffer;
}

void fresh_context() {
    std::memset(metadata_buffer, 0, METADATA_IMAGE.total_bytes);
    std::memset(master_info_buffer, 0, MASTER_INFO_BUFFER_BYTES);
    build_bad_pair_lists();
    build_firmware_context();
    release_hil_context();
}

void BM_ftl_fragmentation(benchmark::State& state) {
    work = static_cast<WorkBlock*>(platform::pages_allocate(sizeof(WorkBlock)));
    test_buffer = touched_buffer(TEST_BUFFER_BYTES);
    metadata_buffer = touched_buffer(METADATA_IMAGE.total_bytes);
    master_info_buffer = touched_buffer(MASTER_INFO_BUFFER_BYTES);
    for (auto _ : state) {
        state.PauseTiming();
        fresh_context();
        random_init(1);
        state.ResumeTiming();
        ftl_fragmentation();
    }
    std::fflush(stdout);
    state.counters["units"] = BUILD_FTL_UNITS;
    release_run_buffers();
    platform::pages_release(work, sizeof(WorkBlock));
    work = nullptr;
}

BENCHMARK(BM_ftl_fragmentation)->Unit(benchmark::kSecond)->MeasureProcessCPUTime()->Iterations(1);

}  // namespace

BENCHMARK_MAIN();

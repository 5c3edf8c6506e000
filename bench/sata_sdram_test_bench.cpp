// The whole SATA/SDRAM stage, about 620 MB through the drive, against the
// in-process simulated drive: open, both unlocks, the SDRAM probe and the
// five pattern passes.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>

#include "run_state/run_buffers.h"
#include "host_mass_production/stages.h"
#include "run_state/work_block.h"
#include "model/drive.h"
#include "platform/disk.h"
#include "platform/memory.h"

namespace {

namespace fs = std::filesystem;

constexpr unsigned DRIVE_NUMBER = 1;

// A good reference-build drive file in a scratch directory of the bench's
// own, where the simulated link looks for PHYSICALDRIVE1.
bool make_drive_file() {
    const fs::path dir = fs::temp_directory_path() / "sata_sdram_test_bench";
    fs::create_directories(dir);
    setenv("PRODTOOL_DEVICE_DIR", dir.c_str(), 1);
    std::string error;
    const std::unique_ptr<sim::Drive> drive = sim::make_drive(1);
    return sim::save_drive(*drive, (dir / ("PHYSICALDRIVE" + std::to_string(DRIVE_NUMBER))).string(), &error);
}

void BM_SataSdramStage(benchmark::State& state) {
    if (!make_drive_file()) {
        state.SkipWithError("cannot write the drive file");
        return;
    }
    work = static_cast<WorkBlock*>(platform::pages_allocate(sizeof(WorkBlock)));
    for (auto _ : state) {
        sata_sdram_test(DRIVE_NUMBER);
        platform::disk_close(work->drive);
        release_run_buffers();
    }
    platform::pages_release(work, sizeof(WorkBlock));
    work = nullptr;
    state.SetBytesProcessed(state.iterations() * int64_t{2} * 5 * 127099 * 512);
}
BENCHMARK(BM_SataSdramStage)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime();

}  // namespace

BENCHMARK_MAIN();

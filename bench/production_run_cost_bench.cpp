// Complete production runs of the reference build against the in-process
// simulated drive: a new drive, the same drive reworked after field use, and
// a new drive with the FTL fragmentation. Reported per run: the tool's own
// CPU time (the thread's CPU time over the run less its CPU time inside the
// calls into the drive model) against the time the drive counts say a real
// drive would take (model/run_cost.h). The tool must cost under 1% of the
// drive's time. Both figures are CPU time of the one thread that runs the
// tool and the model, so time spent waiting for a core on a loaded machine
// falls into neither. Reading that clock is a system call of its own (about
// a microsecond on a virtual machine); each drive call leaves the cost of one
// read outside the model's share, so that cost, measured before the runs, is
// taken off the tool's.
//
// The tool prints its progress on standard output; the figures go to
// standard error.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <iostream>
#include <memory>
#include <string>
#include <vector>

#include "host_main/station_log.h"
#include "host_mass_production/production_run.h"
#include "run_state/work_block.h"
#include "model/drive.h"
#include "model/field_use.h"
#include "model/run_cost.h"
#include "platform/clock.h"
#include "platform/disk.h"
#include "platform/memory.h"
#include "support/thread_cpu_time.h"

namespace {

constexpr double TOOL_SHARE_LIMIT = 0.01;
constexpr int64_t CALENDAR_START = 1700000000;

std::unique_ptr<sim::Drive> drive;
uint64_t position = 0;
uint64_t virtual_ms = 0;
int64_t in_drive_ns = 0;
uint64_t drive_calls = 0;

// The thread CPU time from one clock sample to the next when nothing runs in
// between: the median of many back-to-back reads.
int64_t clock_read_ns() {
    std::vector<int64_t> gaps(1001);
    for (int64_t& gap : gaps) {
        const int64_t first = thread_cpu_nanoseconds();
        gap = thread_cpu_nanoseconds() - first;
    }
    std::nth_element(gaps.begin(), gaps.begin() + gaps.size() / 2, gaps.end());
    return gaps[gaps.size() / 2];
}

const int64_t CLOCK_READ_NS = clock_read_ns();

// Times one call into the drive model.
template <typename Call>
bool timed(Call call) {
    const int64_t start = thread_cpu_nanoseconds();
    sim::set_time(*drive, virtual_ms);
    const bool ok = call();
    in_drive_ns += thread_cpu_nanoseconds() - start;
    ++drive_calls;
    return ok;
}

}  // namespace

namespace platform {

DiskHandle disk_open(const char*) {
    position = 0;
    return drive ? 1 : INVALID_DISK_HANDLE;
}

bool disk_size(DiskHandle, uint64_t* bytes) {
    *bytes = sim::DISK_BYTES;
    return true;
}

bool disk_set_position(DiskHandle, uint64_t byte_offset) {
    position = byte_offset;
    return true;
}

bool disk_read(DiskHandle, void* buffer, uint32_t bytes) {
    const bool ok =
        timed([&] { return sim::disk_read(*drive, position, static_cast<uint8_t*>(buffer), bytes); });
    position += bytes;
    return ok;
}

bool disk_write(DiskHandle, const void* buffer, uint32_t bytes) {
    const bool ok =
        timed([&] { return sim::disk_write(*drive, position, static_cast<const uint8_t*>(buffer), bytes); });
    position += bytes;
    return ok;
}

void disk_close(DiskHandle) {}

int64_t calendar_seconds() {
    return CALENDAR_START + static_cast<int64_t>(virtual_ms / 1000);
}

void sleep_milliseconds(uint32_t milliseconds) {
    virtual_ms += milliseconds;
}

}  // namespace platform

namespace {

struct RunArgs {
    bool operator_mode;
    int32_t fragmentation;
    int32_t bist_count;
};

constexpr RunArgs PLAIN_RUN = {false, 0, -1};

// One production run as the program's entry makes it, on a fresh power cycle
// of the drive. The tool's CPU time in seconds.
double tool_seconds_of_run(const RunArgs& args) {
    sim::power_on(*drive);
    virtual_ms = 0;
    in_drive_ns = 0;
    drive_calls = 0;
    const int64_t start = thread_cpu_nanoseconds();
    work = static_cast<WorkBlock*>(platform::pages_allocate(sizeof(WorkBlock)));
    work->drive = platform::INVALID_DISK_HANDLE;
    station_log_start(1);
    production_run(1, args.operator_mode, false, args.fragmentation, args.bist_count);
    station_log_finish();
    platform::pages_release(work, sizeof(WorkBlock));
    work = nullptr;
    const int64_t clock_reads_ns = static_cast<int64_t>(drive_calls) * CLOCK_READ_NS;
    return static_cast<double>(thread_cpu_nanoseconds() - start - in_drive_ns - clock_reads_ns) * 1e-9;
}

void report(benchmark::State& state, double tool_s) {
    const sim::ModeledTime drive_time = sim::modeled_time(drive->last_run);
    state.counters["tool_cpu_s"] = tool_s;
    state.counters["drive_s"] = drive_time.total_s;
    state.counters["drive_nand_s"] = drive_time.nand_s;
    state.counters["drive_waits_s"] = drive_time.waits_s;
    state.counters["tool_share_%"] = 100 * tool_s / drive_time.total_s;
    state.counters["model_cpu_s"] = static_cast<double>(in_drive_ns) * 1e-9;
    state.counters["drive_calls"] = static_cast<double>(drive_calls);
    state.counters["clock_read_ns"] = static_cast<double>(CLOCK_READ_NS);
    if (drive->boot_verdict != "would boot" || drive->violation_count != 0) {
        state.SkipWithError(("the run did not produce the drive: " + drive->boot_verdict).c_str());
    } else if (tool_s <= 0) {
        state.SkipWithError("the tool's CPU time came out at zero or less: the measurement is broken");
    } else if (tool_s >= TOOL_SHARE_LIMIT * drive_time.total_s) {
        const std::string figures = " (tool " + std::to_string(tool_s) + " s, in the model " +
                                    std::to_string(static_cast<double>(in_drive_ns) * 1e-9) + " s, drive " +
                                    std::to_string(drive_time.total_s) + " s, " +
                                    std::to_string(drive_calls) + " drive calls)";
        state.SkipWithError(("the tool costs 1% of the drive's time or more" + figures).c_str());
    }
}

// A run on a new drive of the reference build; a rework first produces the
// drive and sends it through field use.
void measure_run(benchmark::State& state, bool rework, const RunArgs& args) {
    for (auto _ : state) {
        drive = sim::make_drive(1);
        if (rework) {
            tool_seconds_of_run(PLAIN_RUN);
            std::string log;
            sim::age_in_field(*drive, 4, 1, &log);
        }
        const double tool_s = tool_seconds_of_run(args);
        state.SetIterationTime(tool_s);
        report(state, tool_s);
    }
}

void BM_NewDrive(benchmark::State& state) {
    measure_run(state, false, PLAIN_RUN);
}

void BM_ReworkedDrive(benchmark::State& state) {
    measure_run(state, true, PLAIN_RUN);
}

void BM_NewDriveWithFragmentation(benchmark::State& state) {
    measure_run(state, false, {true, 1, 0});
}

BENCHMARK(BM_NewDrive)->Unit(benchmark::kSecond)->UseManualTime()->Iterations(1);
BENCHMARK(BM_ReworkedDrive)->Unit(benchmark::kSecond)->UseManualTime()->Iterations(1);
BENCHMARK(BM_NewDriveWithFragmentation)->Unit(benchmark::kSecond)->UseManualTime()->Iterations(1);

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    benchmark::ConsoleReporter reporter;
    reporter.SetOutputStream(&std::cerr);
    reporter.SetErrorStream(&std::cerr);
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    return 0;
}

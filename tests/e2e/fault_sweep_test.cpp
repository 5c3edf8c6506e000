// The fault sweep: complete production runs of a new drive in which the
// N-th disk transfer fails, once or from then on. Every run must end in a
// drive that would boot (exit code 0) or in a clean fatal end: exit code 1,
// exactly one fail record, the plug-in finalized once and the console back
// in its colour; never in a hang or a crash.
//
// CI runs a seeded sample; tools/fault-sweep runs every N of the first
// transfers and a seeded sample of the rest, or replays one N.
// $FAULT_SWEEP_SEED: the sample's seed; $FAULT_SWEEP_ALL: the whole sweep;
// $FAULT_SWEEP_TRANSFER (with $FAULT_SWEEP_LASTING 0 or 1): that one run.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>

#include "e2e_harness.h"
#include "model/verdict.h"

namespace {

namespace fs = std::filesystem;

constexpr uint32_t SAMPLE_RUNS = 12;             // N's of the CI sample, each once and lasting
constexpr uint64_t EVERY_TRANSFER_UP_TO = 3000;  // the whole sweep tries each of these
constexpr uint32_t SAMPLED_BEYOND = 1000;        // and this many N's after them
constexpr int RUN_DEADLINE_SECONDS = 300;

// The console's colour escapes on a terminal: the error colour and the
// terminal's own colours given back after it.
constexpr char ERROR_COLOUR_ESCAPE[] = "\033[0;93;40m";
constexpr char NORMAL_COLOUR_ESCAPE[] = "\033[0m";

uint64_t environment_number(const char* name, uint64_t otherwise) {
    const char* text = std::getenv(name);
    return text != nullptr && *text != '\0' ? std::strtoull(text, nullptr, 0) : otherwise;
}

// The program runs on a terminal, so that its colour escapes are seen,
// under a deadline, so that a hang ends the run (exit code 124).
void write_terminal_runner(const e2e::Station& station) {
    const fs::path runner = fs::path(station.dir) / "on_terminal";
    std::ofstream(runner) << "#!/bin/sh\nexec timeout -k 5 " << RUN_DEADLINE_SECONDS
                          << " script -qec \"exec ./prodtool-sim $*\" /dev/null\n";
    fs::permissions(runner, fs::perms::owner_all);
}

std::string fault_scenario(uint32_t build, uint64_t transfer, bool lasting) {
    return "{\"build\": " + std::to_string(build) +
           ", \"faults\": [{\"kind\": \"link_transfer_fail\", \"value\": " + std::to_string(transfer) +
           ", \"times\": " + (lasting ? "0" : "1") + "}]}";
}

e2e::RunResult run_on_terminal(const e2e::Station& station, const std::string& scenario) {
    std::string error;
    EXPECT_TRUE(e2e::create_drive(station, scenario, &error)) << error;
    e2e::RunOptions options;
    options.program = "on_terminal";
    return e2e::run(station, {"1"}, options);
}

// The colour escapes balance, and the last leaves the console as it was.
bool colour_restored(const std::string& out) {
    size_t errors = 0;
    size_t restores = 0;
    size_t last_error = std::string::npos;
    size_t last_restore = std::string::npos;
    for (size_t at = out.find(ERROR_COLOUR_ESCAPE); at != std::string::npos;
         at = out.find(ERROR_COLOUR_ESCAPE, at + 1)) {
        ++errors;
        last_error = at;
    }
    for (size_t at = out.find(NORMAL_COLOUR_ESCAPE); at != std::string::npos;
         at = out.find(NORMAL_COLOUR_ESCAPE, at + 1)) {
        ++restores;
        last_restore = at;
    }
    return errors == restores && (errors == 0 || last_restore > last_error);
}

// Empty when the run ended as it may; else what went wrong.
std::string judge(const e2e::RunResult& run) {
    if (run.exit_code == 0) {
        if (!run.drive || run.drive->boot_verdict != sim::WOULD_BOOT) {
            return "exit code 0, but the drive would not boot: " + (run.drive ? run.drive->boot_verdict : "");
        }
        return "";
    }
    if (run.exit_code != 1) {
        return run.exit_code == 124 ? "the run hung"
                                    : "the run crashed (exit " + std::to_string(run.exit_code) + ")";
    }
    int fail_records = 0;
    int finalizes = 0;
    for (const e2e::StationRecord& record : run.records) {
        fail_records += record.call == "write" && record.status == 4;
        finalizes += record.call == "finalize";
    }
    if (fail_records != 1 || finalizes != 1) {
        return std::to_string(fail_records) + " fail records and " + std::to_string(finalizes) +
               " finalize calls";
    }
    if (!colour_restored(run.out)) {
        return "the console colour was not restored";
    }
    if (run.out.find("error at ") == std::string::npos) {
        return "no \"error at\" line";
    }
    return "";
}

struct SweepRun {
    uint64_t transfer;
    bool lasting;
};

// Every transfer up to EVERY_TRANSFER_UP_TO and a seeded sample after them
// (the whole sweep), or SAMPLE_RUNS N's drawn over the whole run.
std::vector<SweepRun> sweep_runs(uint64_t transfers_of_a_run, uint64_t seed) {
    if (const uint64_t only = environment_number("FAULT_SWEEP_TRANSFER", 0)) {
        return {{only, environment_number("FAULT_SWEEP_LASTING", 0) != 0}};
    }
    std::mt19937_64 draw(seed);
    std::vector<uint64_t> transfers;
    if (environment_number("FAULT_SWEEP_ALL", 0) != 0) {
        for (uint64_t n = 1; n <= EVERY_TRANSFER_UP_TO; ++n) {
            transfers.push_back(n);
        }
        std::uniform_int_distribution<uint64_t> beyond(EVERY_TRANSFER_UP_TO + 1, transfers_of_a_run);
        for (uint32_t i = 0; i < SAMPLED_BEYOND; ++i) {
            transfers.push_back(beyond(draw));
        }
    } else {
        std::uniform_int_distribution<uint64_t> any(1, transfers_of_a_run);
        for (uint32_t i = 0; i < SAMPLE_RUNS; ++i) {
            transfers.push_back(any(draw));
        }
    }
    std::vector<SweepRun> runs;
    for (const uint64_t n : transfers) {
        runs.push_back({n, false});
        runs.push_back({n, true});
    }
    return runs;
}

TEST(FaultSweep, EveryFailedTransferEndsInABootingDriveOrACleanFatalEnd) {
    if (!fs::exists("/usr/bin/script") && !fs::exists("/bin/script")) {
        GTEST_SKIP() << "no script(1) to give the runs a terminal";
    }
    const uint32_t build = e2e::built_builds().front();
    const uint64_t seed = environment_number("FAULT_SWEEP_SEED", 1);
    const e2e::Station station = e2e::make_station(build, "fault_sweep");
    write_terminal_runner(station);

    const e2e::RunResult clean = run_on_terminal(station, "{\"build\": " + std::to_string(build) + "}");
    ASSERT_EQ(judge(clean), "") << clean.out;
    ASSERT_EQ(clean.exit_code, 0);
    const uint64_t transfers = clean.drive->last_run.transfers;

    for (const SweepRun& sweep : sweep_runs(transfers, seed)) {
        const std::string replay = "seed " + std::to_string(seed) + ", transfer " +
                                   std::to_string(sweep.transfer) + (sweep.lasting ? ", lasting" : ", once") +
                                   " (replay: tools/fault-sweep --transfer " +
                                   std::to_string(sweep.transfer) + (sweep.lasting ? " --lasting)" : ")");
        std::fprintf(stderr, "fault sweep: %s\n", replay.c_str());
        const e2e::RunResult run =
            run_on_terminal(station, fault_scenario(build, sweep.transfer, sweep.lasting));
        const std::string verdict = judge(run);
        EXPECT_EQ(verdict, "") << replay << "\n" << run.out << run.err;
    }
}

}  // namespace

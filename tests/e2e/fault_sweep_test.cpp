// The fault sweep: complete production runs of a new drive in which the
// N-th disk transfer fails, once or from then on. Every run must end in a
// drive that would boot (exit code 0) or in a clean fatal end: exit code 1,
// exactly one fail record, the plug-in finalized once and the console back
// in its colour; never in a hang or a crash.
//
// The rework sweep does the same to the rework of a produced drive back from
// the field, then runs again without the fault: that second run must end in a
// drive that would boot with its serial number and every grown bad block
// kept, or in a clean fatal end. It covers every N from the erase of block
// zero to the end of the flash test, for a rework that installs the runtime
// lists itself and for one that runs the drive-side NAND test.
//
// CI runs a seeded sample; tools/fault-sweep runs every N of the first
// transfers (of a rework: of the window) and a seeded sample of the rest, or
// replays one N. $FAULT_SWEEP_SEED: the sample's seed; $FAULT_SWEEP_ALL: the
// whole sweep; $FAULT_SWEEP_TRANSFER (with $FAULT_SWEEP_LASTING 0 or 1): that
// one run. The whole rework sweep runs for hours: $FAULT_SWEEP_KIND (1 or 2)
// takes one rework kind alone and $FAULT_SWEEP_FROM resumes its window at
// that N.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>

#include "e2e_harness.h"
#include "model/verdict.h"
#include "rework_checks.h"

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

e2e::RunResult run_on_terminal(const e2e::Station& station, const std::vector<std::string>& args = {"1"}) {
    e2e::RunOptions options;
    options.program = "on_terminal";
    return e2e::run(station, args, options);
}

e2e::RunResult run_on_terminal(const e2e::Station& station, const std::string& scenario) {
    std::string error;
    EXPECT_TRUE(e2e::create_drive(station, scenario, &error)) << error;
    return run_on_terminal(station);
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

// --- Reworks -----------------------------------------------------------------

constexpr uint32_t REWORK_SAMPLE_RUNS = 2;       // N's per rework kind in CI, each once and lasting
constexpr uint32_t REWORK_SAMPLED_OUTSIDE = 50;  // the whole sweep's N's outside the window, per kind
constexpr uint64_t REWORK_WINDOW_MARGIN = 40;    // transfers before the first erase of block zero
constexpr uint32_t GROWN_BAD_BLOCKS = 4;
constexpr int FAIL_STAGE_DOWNLOAD = 3;

struct ReworkKind {
    const char* name;
    std::vector<std::string> args;
    uint64_t window_guess;  // transfers from the erase of block zero to the end of the flash test, about
};

const ReworkKind REWORK_KINDS[] = {
    {"rework", {"1"}, 300},
    {"rework with the drive-side NAND test", {"1", "L", "B1"}, 1500},
};

struct ReworkStation {
    e2e::Station station;
    std::string aged_file;  // the drive back from the field
    e2e_rework::AgedDrive aged;
};

// The aged drive again, with `fault` added when given.
void restore_aged_drive(const ReworkStation& rework, const sim::Fault* fault) {
    std::string error;
    std::unique_ptr<sim::Drive> drive = sim::load_drive(rework.aged_file, &error);
    ASSERT_TRUE(drive) << error;
    if (fault != nullptr) {
        drive->faults.push_back(*fault);
    }
    ASSERT_TRUE(sim::save_drive(*drive, e2e::drive_file(rework.station), &error)) << error;
}

void remove_added_faults(const ReworkStation& rework) {
    std::string error;
    std::unique_ptr<sim::Drive> drive = sim::load_drive(e2e::drive_file(rework.station), &error);
    ASSERT_TRUE(drive) << error;
    std::erase_if(drive->faults,
                  [](const sim::Fault& fault) { return !e2e_rework::is_grown_bad_block(fault); });
    ASSERT_TRUE(sim::save_drive(*drive, e2e::drive_file(rework.station), &error)) << error;
}

// The transfer that erases the first bank's block zero, less a margin: the
// run is made to end there by an erase failure of that block.
uint64_t first_erase_of_block_zero(const ReworkStation& rework, const ReworkKind& kind) {
    const sim::Fault erase_fails = {
        .kind = sim::FaultKind::erase_fail, .bank = 0, .chip = 0, .block = 0, .times = 1};
    restore_aged_drive(rework, &erase_fails);
    const e2e::RunResult run = run_on_terminal(rework.station, kind.args);
    EXPECT_EQ(run.exit_code, 1) << run.out;
    const uint64_t transfers = run.drive ? run.drive->last_run.transfers : 0;
    return transfers > REWORK_WINDOW_MARGIN ? transfers - REWORK_WINDOW_MARGIN : 1;
}

bool failed_in_download(const e2e::RunResult& run) {
    for (const e2e::StationRecord& record : run.records) {
        if (record.call == "write" && record.status == 4) {
            return record.stage == FAIL_STAGE_DOWNLOAD;
        }
    }
    return run.exit_code == 0;
}

// How an interrupted run ended: whether it got past the flash test, and
// whether it tried another transfer after the failed one.
struct Interruption {
    bool past_window = false;
    bool went_on = true;
};

// Empty when the interrupted run and the run after it ended as they may.
std::string judge_rework(const ReworkStation& rework, const ReworkKind& kind, const SweepRun& sweep,
                         Interruption* interruption) {
    const sim::Fault transfer_fails = {.kind = sim::FaultKind::link_transfer_fail,
                                       .times = sweep.lasting ? 0u : 1u,
                                       .value = static_cast<uint32_t>(sweep.transfer)};
    restore_aged_drive(rework, &transfer_fails);
    const e2e::RunResult interrupted = run_on_terminal(rework.station, kind.args);
    interruption->past_window = failed_in_download(interrupted);
    // The failed transfer is not counted: a run that counted fewer than N
    // tried none after it, since a retry would have gone through.
    interruption->went_on = !interrupted.drive || interrupted.drive->last_run.transfers >= sweep.transfer;
    std::string verdict = judge(interrupted);
    if (!verdict.empty()) {
        return "interrupted run: " + verdict + "\n" + interrupted.out;
    }
    remove_added_faults(rework);
    const e2e::RunResult again = run_on_terminal(rework.station, kind.args);
    verdict = judge(again);
    if (verdict.empty() && again.exit_code == 0 && again.drive) {
        verdict = e2e_rework::what_was_lost(*again.drive, rework.aged);
    }
    return verdict.empty() ? "" : "run after it: " + verdict + "\n" + again.out;
}

// The N-th transfer of the window failing once, then lasting. When the run
// with the single failure tried no transfer after it, a lasting failure
// cannot change the run, and the lasting run is left out. Returns how the
// lasting failure's run (or the same one) ended.
Interruption sweep_rework_transfer(const ReworkStation& rework, const ReworkKind& kind, uint64_t n) {
    Interruption interruption;
    for (const bool lasting : {false, true}) {
        const std::string verdict = judge_rework(rework, kind, {n, lasting}, &interruption);
        EXPECT_EQ(verdict, "") << kind.name << ", transfer " << n << (lasting ? ", lasting" : ", once");
        if (!interruption.went_on) {
            break;
        }
    }
    return interruption;
}

// The N's of one rework kind: every one from the window's start until the
// lasting failure reaches the download, and a sample outside (the whole
// sweep); or REWORK_SAMPLE_RUNS drawn over the guessed window.
void sweep_rework_kind(const ReworkStation& rework, const ReworkKind& kind, uint64_t seed) {
    restore_aged_drive(rework, nullptr);
    const e2e::RunResult clean = run_on_terminal(rework.station, kind.args);
    ASSERT_EQ(clean.exit_code, 0) << clean.out;
    ASSERT_EQ(e2e_rework::what_was_lost(*clean.drive, rework.aged), "");
    const uint64_t transfers = clean.drive->last_run.transfers;
    const uint64_t start = first_erase_of_block_zero(rework, kind);
    const bool whole = environment_number("FAULT_SWEEP_ALL", 0) != 0;
    std::vector<uint64_t> chosen;
    std::mt19937_64 draw(seed);
    if (const uint64_t only = environment_number("FAULT_SWEEP_TRANSFER", 0)) {
        chosen.push_back(only);
    } else if (!whole) {
        std::uniform_int_distribution<uint64_t> in_window(start, start + kind.window_guess);
        for (uint32_t i = 0; i < REWORK_SAMPLE_RUNS; ++i) {
            chosen.push_back(in_window(draw));
        }
    }
    uint64_t window_end = transfers;
    const uint64_t resumed_at = std::max(start, environment_number("FAULT_SWEEP_FROM", 0));
    for (uint64_t n = whole ? resumed_at : 0; whole && n < window_end; ++n) {
        const Interruption interruption = sweep_rework_transfer(rework, kind, n);
        if (interruption.past_window && n == resumed_at && resumed_at > start) {
            std::fprintf(stderr, "fault sweep: %s, transfer %llu is past the window already\n", kind.name,
                         static_cast<unsigned long long>(n));
            return;
        }
        if (interruption.past_window) {
            window_end = n;
        }
        std::fprintf(stderr, "fault sweep: %s, transfer %llu%s\n", kind.name,
                     static_cast<unsigned long long>(n),
                     interruption.went_on ? "" : " (the lasting failure's run is the same)");
    }
    if (whole) {
        std::fprintf(stderr, "fault sweep: %s, window %llu to %llu of %llu transfers\n", kind.name,
                     static_cast<unsigned long long>(start), static_cast<unsigned long long>(window_end),
                     static_cast<unsigned long long>(transfers));
        std::uniform_int_distribution<uint64_t> outside(1, transfers - (window_end - start));
        chosen.clear();
        for (uint32_t i = 0; i < REWORK_SAMPLED_OUTSIDE; ++i) {
            const uint64_t n = outside(draw);
            chosen.push_back(n < start ? n : n + (window_end - start));
        }
    }
    for (const uint64_t n : chosen) {
        for (const bool lasting : {false, true}) {
            if (environment_number("FAULT_SWEEP_TRANSFER", 0) != 0 &&
                lasting != (environment_number("FAULT_SWEEP_LASTING", 0) != 0)) {
                continue;
            }
            std::fprintf(stderr, "fault sweep: seed %llu, %s, transfer %llu%s\n",
                         static_cast<unsigned long long>(seed), kind.name, static_cast<unsigned long long>(n),
                         lasting ? ", lasting" : ", once");
            Interruption interruption;
            const std::string verdict = judge_rework(rework, kind, {n, lasting}, &interruption);
            EXPECT_EQ(verdict, "") << kind.name << ", transfer " << n << (lasting ? ", lasting" : ", once");
        }
    }
}

TEST(FaultSweep, EveryFailedTransferOfAReworkLosesNothing) {
    if (!fs::exists("/usr/bin/script") && !fs::exists("/bin/script")) {
        GTEST_SKIP() << "no script(1) to give the runs a terminal";
    }
    const uint32_t build = e2e::built_builds().front();
    // The whole sweep has a station of its own, apart from the sample's, and
    // one per kind and start when it is swept in pieces (that may run at once).
    const bool whole = environment_number("FAULT_SWEEP_ALL", 0) != 0;
    const uint64_t only_kind = environment_number("FAULT_SWEEP_KIND", 0);
    const uint64_t from = environment_number("FAULT_SWEEP_FROM", 0);
    const std::string station_name =
        !whole
            ? "fault_sweep_rework"
            : "fault_sweep_rework_all" + (only_kind ? "_kind" + std::to_string(only_kind) : std::string()) +
                  (from ? "_from" + std::to_string(from) : std::string());
    ReworkStation rework = {e2e::make_station(build, station_name), "", {}};
    write_terminal_runner(rework.station);
    std::string error;
    ASSERT_TRUE(e2e_rework::produce_and_age(rework.station,
                                            e2e_rework::drive_with_factory_bad_blocks(build, 21),
                                            GROWN_BAD_BLOCKS, &rework.aged, &error))
        << error;
    rework.aged_file = rework.station.dir + "/aged_drive";
    fs::copy_file(e2e::drive_file(rework.station), rework.aged_file);
    const uint64_t seed = environment_number("FAULT_SWEEP_SEED", 1);
    for (size_t k = 0; k < std::size(REWORK_KINDS); ++k) {
        if (only_kind == 0 || only_kind == k + 1) {
            sweep_rework_kind(rework, REWORK_KINDS[k], seed);
        }
    }
}

}  // namespace

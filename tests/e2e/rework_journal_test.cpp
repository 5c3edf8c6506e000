// A rework interrupted once block zero is erased: the station's journal
// keeps the drive's serial number and grown bad blocks, and the next run on
// the drive takes them back; a journal that cannot be told to be the drive's
// is refused, never given to it.
#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <thread>

#include "complete_run_checks.h"
#include "e2e_harness.h"
#include "model/drive.h"
#include "process.h"
#include "rework_checks.h"

namespace {

namespace fs = std::filesystem;

constexpr uint32_t GROWN_BAD_BLOCKS = 4;
constexpr int DEADLINE_SECONDS = 60;
constexpr char TAKEN_BACK[] = "rework journal found: runtime bad blocks and serial number taken back\n";
constexpr char REFUSED[] = "ERROR: cannot tell which rework journal belongs to this drive\n";

uint32_t build_under_test() {
    return e2e::built_builds().front();
}

std::vector<fs::path> journals(const e2e::Station& station) {
    std::vector<fs::path> found;
    const fs::path directory = fs::path(station.dir) / "rework-journal";
    if (fs::exists(directory)) {
        for (const fs::directory_entry& entry : fs::directory_iterator(directory)) {
            if (entry.path().extension() == ".journal") {
                found.push_back(entry.path());
            }
        }
    }
    return found;
}

// Changes the faults of the drive file: the grown bad blocks' erase failures
// stay, the rest is replaced by `faults`.
void replace_faults(const e2e::Station& station, const std::vector<sim::Fault>& faults) {
    std::string error;
    std::unique_ptr<sim::Drive> drive = sim::load_drive(e2e::drive_file(station), &error);
    ASSERT_TRUE(drive) << error;
    std::erase_if(drive->faults, [](const sim::Fault& f) { return !e2e_rework::is_grown_bad_block(f); });
    drive->faults.insert(drive->faults.end(), faults.begin(), faults.end());
    ASSERT_TRUE(sim::save_drive(*drive, e2e::drive_file(station), &error)) << error;
}

struct Interruption {
    const char* name;
    std::vector<sim::Fault> faults;
    std::vector<std::string> args;
    const char* console;             // what the interrupted run says last
    std::string again = TAKEN_BACK;  // what the run after it says
};

const sim::Fault NO_MAGIC = {.kind = sim::FaultKind::program_no_magic, .times = 1};

// Page 1 of the first bank's block zero, after the initial lists, reads
// back wrong; a later bank's block zero does not erase; the test program
// answers without its magic, also in a cell test forced by an unreadable
// runtime list, which the run after it owes the drive.
std::vector<Interruption> interruptions() {
    return {
        {"empty_pages_differ",
         {{.kind = sim::FaultKind::read_differs, .bank = 0, .block = 0, .page = 1, .times = 1}},
         {"1"},
         "ERROR: data corruption"},
        {"block_zero_erase_fails",
         {{.kind = sim::FaultKind::erase_fail, .bank = 2, .chip = 0, .block = 0, .times = 1}},
         {"1"},
         "ERROR: erase failure, pblk_offset = 0, real_pblk_offset = 0\n"},
        {"nand_test_fails", {NO_MAGIC}, {"1", "L", "B1"}, "ERROR: NAND Flash test failed\n"},
        {"forced_cell_test_fails",
         {{.kind = sim::FaultKind::read_uncorrectable, .bank = 9, .block = 0, .page = 3}, NO_MAGIC},
         {"1"},
         "ERROR: NAND Flash test failed\n",
         std::string(TAKEN_BACK) +
             "serial number = {serial}\n"
             "NAND Flash cell test will be performed, because the interrupted rework owed it.\n"},
    };
}

TEST(ReworkJournal, TheRunAfterAnInterruptedReworkTakesBackSerialAndGrownBadBlocks) {
    const uint32_t build = build_under_test();
    for (const Interruption& interruption : interruptions()) {
        SCOPED_TRACE(interruption.name);
        const e2e::Station station = e2e::make_station(build, std::string("journal_") + interruption.name);
        e2e_rework::AgedDrive aged;
        std::string error;
        ASSERT_TRUE(e2e_rework::produce_and_age(station, e2e_rework::drive_with_factory_bad_blocks(build, 3),
                                                GROWN_BAD_BLOCKS, &aged, &error))
            << error;
        replace_faults(station, interruption.faults);

        const e2e::RunResult interrupted = e2e::run(station, interruption.args);
        EXPECT_EQ(interrupted.exit_code, 1) << interrupted.out;
        EXPECT_NE(interrupted.out.find(interruption.console), std::string::npos) << interrupted.out;
        ASSERT_EQ(journals(station).size(), 1u);

        replace_faults(station, {});
        const e2e::RunResult again = e2e::run(station, {"1"});
        EXPECT_EQ(again.exit_code, 0) << again.out;
        std::string said = interruption.again;
        if (const size_t serial = said.find("{serial}"); serial != std::string::npos) {
            said.replace(serial, 8, aged.serial);
        }
        EXPECT_NE(again.out.find(said), std::string::npos) << again.out;
        EXPECT_NE(again.out.find("serial number = " + aged.serial + "\n"), std::string::npos);
        ASSERT_TRUE(again.drive);
        e2e_run::expect_no_violation(again);
        EXPECT_EQ(e2e_rework::what_was_lost(*again.drive, aged), "") << aged.log << again.out;
        EXPECT_TRUE(journals(station).empty()) << "the produced drive's journal is removed";
    }
}

// Ctrl-C while the drive-side test runs (it hangs): the run ends, and the
// next one takes the journal back.
TEST(ReworkJournal, CtrlCDuringTheDriveSideTestLosesNothing) {
    const uint32_t build = build_under_test();
    const e2e::Station station = e2e::make_station(build, "journal_ctrl_c");
    e2e_rework::AgedDrive aged;
    std::string error;
    ASSERT_TRUE(e2e_rework::produce_and_age(station, e2e_rework::drive_with_factory_bad_blocks(build, 5),
                                            GROWN_BAD_BLOCKS, &aged, &error))
        << error;
    replace_faults(station, {{.kind = sim::FaultKind::program_hangs, .value = 0}});

    e2e::Launch launch;
    launch.directory = station.dir;
    launch.program = station.dir + "/prodtool-sim";
    launch.args = {"1", "L", "B1"};
    launch.stdin_path = "/dev/null";
    launch.stdout_path = station.dir + "/interrupted_stdout.txt";
    launch.stderr_path = station.dir + "/interrupted_stderr.txt";
    launch.env = {{"PRODTOOL_DEVICE_DIR", station.dir},
                  {"PRODTOOL_REWORK_JOURNAL_DIR", station.dir + "/rework-journal"},
                  {"PRODTOOL_SIM_TIME", "1700000000"}};
    const int pid = e2e::start_process(launch);
    ASSERT_GT(pid, 0);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(DEADLINE_SECONDS);
    auto progress = [&] {
        std::ifstream in(launch.stdout_path);
        return std::string(std::istreambuf_iterator<char>(in), {}).find("NAND Flash test\n") !=
               std::string::npos;
    };
    while (!progress() && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    EXPECT_TRUE(e2e::signal_process(pid, SIGINT));
    bool ended = false;
    EXPECT_EQ(e2e::wait_process(pid, DEADLINE_SECONDS, &ended), 1);
    if (!ended) {
        e2e::signal_process(pid, SIGKILL);
        e2e::wait_process(pid, -1, &ended);
    }
    ASSERT_EQ(journals(station).size(), 1u);

    replace_faults(station, {});
    const e2e::RunResult again = e2e::run(station, {"1"});
    EXPECT_EQ(again.exit_code, 0) << again.out;
    EXPECT_NE(again.out.find(TAKEN_BACK), std::string::npos) << again.out;
    ASSERT_TRUE(again.drive);
    e2e_run::expect_no_violation(again);
    EXPECT_EQ(e2e_rework::what_was_lost(*again.drive, aged), "") << aged.log << again.out;
    EXPECT_TRUE(journals(station).empty());
}

// A journal names its drive by the initial bad blocks alone once the stamp
// is gone: two journals of the same blocks, or a drive without any, cannot
// be told apart, and the run ends before block zero is erased, keeping the
// journals for the station engineer.
TEST(ReworkJournal, AJournalThatCannotBeToldToBeTheDrivesIsRefused) {
    const uint32_t build = build_under_test();
    const struct {
        const char* name;
        std::string scenario;
        bool copy_journal;
    } cases[] = {
        {"no_factory_bad_blocks", e2e_run::scenario(build), false},
        {"two_journals_match", e2e_rework::drive_with_factory_bad_blocks(build, 7), true},
    };
    for (const auto& refusal : cases) {
        SCOPED_TRACE(refusal.name);
        const e2e::Station station = e2e::make_station(build, std::string("journal_") + refusal.name);
        e2e_rework::AgedDrive aged;
        std::string error;
        ASSERT_TRUE(e2e_rework::produce_and_age(station, refusal.scenario, GROWN_BAD_BLOCKS, &aged, &error))
            << error;
        replace_faults(station, {NO_MAGIC});
        ASSERT_EQ(e2e::run(station, {"1", "L", "B1"}).exit_code, 1);
        ASSERT_EQ(journals(station).size(), 1u);
        if (refusal.copy_journal) {
            fs::copy_file(journals(station).front(),
                          fs::path(station.dir) / "rework-journal" / "copy.journal");
        }
        const size_t journals_left = journals(station).size();

        replace_faults(station, {});
        const e2e::RunResult refused = e2e::run(station, {"1"});
        EXPECT_EQ(refused.exit_code, 1);
        EXPECT_NE(refused.out.find(std::string("matches this drive\n") + REFUSED), std::string::npos)
            << refused.out;
        const std::string trail =
            std::string("Blank check\nThe NAND Flash is not clean (being reworked)\n\n") +
            "Erasing NAND Flash for rework.\nRework journal ambiguous\n";
        EXPECT_EQ(e2e_run::records_of(refused), e2e_run::failed_run_records(2, trail));
        EXPECT_EQ(journals(station).size(), journals_left);
        ASSERT_TRUE(refused.drive);
        e2e_run::expect_no_violation(refused);
        EXPECT_EQ(refused.drive->last_run.nand[sim::NAND_PAGE_PROGRAM], 0u) << "nothing written";
    }
}

// Another drive's journal is not this drive's: a new drive with other
// initial bad blocks is produced as new and the journal stays.
TEST(ReworkJournal, AnotherDrivesJournalIsLeftAlone) {
    const uint32_t build = build_under_test();
    const e2e::Station station = e2e::make_station(build, "journal_other_drive");
    e2e_rework::AgedDrive aged;
    std::string error;
    ASSERT_TRUE(e2e_rework::produce_and_age(station, e2e_rework::drive_with_factory_bad_blocks(build, 9),
                                            GROWN_BAD_BLOCKS, &aged, &error))
        << error;
    replace_faults(station, {NO_MAGIC});
    ASSERT_EQ(e2e::run(station, {"1", "L", "B1"}).exit_code, 1);
    const std::vector<fs::path> left = journals(station);
    ASSERT_EQ(left.size(), 1u);

    ASSERT_TRUE(e2e::create_drive(station, e2e_rework::drive_with_factory_bad_blocks(build, 10), &error));
    const e2e::RunResult other = e2e::run(station, {"1"});
    EXPECT_EQ(other.exit_code, 0) << other.out;
    EXPECT_EQ(other.out.find("rework journal"), std::string::npos) << other.out;
    EXPECT_EQ(journals(station), left);
}

}  // namespace

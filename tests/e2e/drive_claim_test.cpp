// One drive, one run: a run started on a drive that another run is producing
// is refused before it loads or writes the drive, and the first run goes on
// to a produced drive. Another drive of the same station is not held off.
#include <gtest/gtest.h>

#include <csignal>
#include <fstream>

#include "e2e_harness.h"
#include "model/verdict.h"
#include "process.h"

namespace {

constexpr int DEADLINE_SECONDS = 60;
// A reworked drive's run asks for the jumper once everything is written,
// before the drive is reset: there it holds the drive for as long as the
// operator takes.
constexpr char JUMPER_QUESTION[] = "[press any key]";
const char REFUSAL[] = "ERROR: target drive \\\\.\\PHYSICALDRIVE1 is in use by another production run\n";
const char REFUSAL_RECORD[] = "Target drive is in use by another production run.\nTarget drive number = 1\n";

struct HeldRun {
    int pid = -1;
    std::string out_path;
    std::string console_path;
};

// A rework of drive 1 waiting at the jumper question for a console input
// that only the test gives.
HeldRun start_rework_held_at_jumper(const e2e::Station& station) {
    e2e::Launch launch;
    launch.directory = station.dir;
    launch.program = station.dir + "/prodtool-sim";
    launch.args = {"1"};
    launch.stdin_path = station.dir + "/held_console";
    launch.stdout_path = station.dir + "/held_stdout.txt";
    launch.stderr_path = station.dir + "/held_stderr.txt";
    launch.env = {{"PRODTOOL_DEVICE_DIR", station.dir}, {"PRODTOOL_SIM_TIME", "1700000000"}};
    EXPECT_TRUE(e2e::make_named_pipe(launch.stdin_path));
    return {e2e::start_process(launch), launch.stdout_path, launch.stdin_path};
}

int finish(const HeldRun& held, std::ofstream& console) {
    console << 'y' << std::flush;
    console.close();
    bool ended = false;
    const int code = e2e::wait_process(held.pid, DEADLINE_SECONDS, &ended);
    if (!ended) {
        e2e::signal_process(held.pid, SIGKILL);
        e2e::wait_process(held.pid, -1, &ended);
    }
    return code;
}

void expect_refused(const e2e::RunResult& second) {
    EXPECT_EQ(second.exit_code, 1);
    EXPECT_TRUE(second.out.starts_with(REFUSAL)) << second.out;
    EXPECT_EQ(second.out.find("SATA/SDRAM"), std::string::npos) << second.out;
    EXPECT_EQ(e2e::fail_records(second), std::vector<std::string>{REFUSAL_RECORD});
}

TEST(DriveClaim, ASecondRunOnADriveInProductionIsRefusedAndTheFirstEndsProduced) {
    const e2e::Station station = e2e::make_station(e2e::built_builds().front(), "drive_claim_second_run");
    const std::string scenario = "{\"build\": " + std::to_string(station.build) + "}";
    // Drives have factory-bad blocks of their own: the rework's journal of
    // drive 1 is then never taken for the new drive 2.
    const std::string with_bad_blocks = "{\"build\": " + std::to_string(station.build) +
                                        R"(, "bad_blocks": [{"bank": 0, "chip": "low", "block": 5}]})";
    std::string error;
    ASSERT_TRUE(e2e::create_drive(station, with_bad_blocks, &error)) << error;
    ASSERT_TRUE(e2e::create_drive(station, scenario, &error, 2)) << error;
    ASSERT_EQ(e2e::run(station, {"1"}).exit_code, 0) << "the drive's first production";

    const HeldRun first = start_rework_held_at_jumper(station);
    ASSERT_GT(first.pid, 0);
    std::ofstream console(first.console_path, std::ios::binary);
    ASSERT_TRUE(e2e::wait_for_text(first.out_path, JUMPER_QUESTION, DEADLINE_SECONDS))
        << e2e::read_file(first.out_path);

    const std::string drive_file_before = e2e::read_file(e2e::drive_file(station));
    const e2e::RunResult second = e2e::run(station, {"1"});
    expect_refused(second);
    EXPECT_EQ(e2e::read_file(e2e::drive_file(station)), drive_file_before)
        << "the refused run saved the drive";
    // A station produces several drives at once: the claim is the drive's.
    const e2e::RunResult other_drive = e2e::run(station, {"2"});
    EXPECT_EQ(other_drive.exit_code, 0) << other_drive.out;

    EXPECT_EQ(finish(first, console), 0) << e2e::read_file(first.out_path);
    EXPECT_NE(e2e::read_file(first.out_path).find("\nfirmware installation complete\n"), std::string::npos);
    const std::unique_ptr<sim::Drive> drive = sim::load_drive(e2e::drive_file(station), &error);
    ASSERT_TRUE(drive) << error;
    EXPECT_EQ(drive->violation_count, 0u) << e2e::violations_text(*drive);
    EXPECT_EQ(drive->boot_verdict, sim::WOULD_BOOT);
    EXPECT_EQ(drive->counters.power_ons, 2u) << "the production and the rework alone";
    EXPECT_EQ(drive->counters.device_resets, 2u);
}

// The claim ends with the run that held it, however it ended: the next run
// on the drive is a rework like any other.
TEST(DriveClaim, ADriveIsFreeAgainOnceTheRunThatHeldItIsKilled) {
    const e2e::Station station = e2e::make_station(e2e::built_builds().front(), "drive_claim_killed_run");
    std::string error;
    ASSERT_TRUE(e2e::create_drive(station, "{\"build\": " + std::to_string(station.build) + "}", &error))
        << error;
    ASSERT_EQ(e2e::run(station, {"1"}).exit_code, 0) << "the drive's first production";

    const HeldRun first = start_rework_held_at_jumper(station);
    ASSERT_GT(first.pid, 0);
    std::ofstream console(first.console_path, std::ios::binary);
    ASSERT_TRUE(e2e::wait_for_text(first.out_path, JUMPER_QUESTION, DEADLINE_SECONDS));
    EXPECT_TRUE(e2e::signal_process(first.pid, SIGKILL));
    bool ended = false;
    e2e::wait_process(first.pid, DEADLINE_SECONDS, &ended);
    EXPECT_TRUE(ended);

    const e2e::RunResult next = e2e::run(station, {"1"});
    EXPECT_EQ(next.exit_code, 0) << next.out;
    ASSERT_TRUE(next.drive);
    EXPECT_EQ(next.drive->boot_verdict, sim::WOULD_BOOT);
}

}  // namespace

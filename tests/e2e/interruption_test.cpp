// A rework interrupted while it waits for the operator to change the jumper:
// Ctrl-C on its terminal or a terminating signal ends it with exit code 1,
// the terminal as it was, and the simulated drive's file holding what the
// drive holds by then.
#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <fstream>

#include "e2e_harness.h"
#include "model/run_cost.h"
#include "process.h"

namespace {

// A reworked drive's run asks for the jumper once everything is written,
// before the drive is reset.
constexpr char LAST_QUESTION[] = "[press any key]";
constexpr int DEADLINE_SECONDS = 60;

struct Interrupted {
    int exit_code = -1;
    std::string out;
    std::unique_ptr<sim::Drive> drive;
};

// Starts the launch with a console input nobody answers, waits for the
// last question and calls `interrupt` with the process and the console input.
template <typename Interrupt>
Interrupted interrupt_at_last_question(const e2e::Station& station, e2e::Launch launch, Interrupt interrupt) {
    std::string error;
    EXPECT_TRUE(e2e::create_drive(station, "{\"build\": " + std::to_string(station.build) + "}", &error))
        << error;
    EXPECT_EQ(e2e::run(station, {"1"}).exit_code, 0) << "the drive's first production";
    launch.directory = station.dir;
    launch.stdin_path = station.dir + "/console_input";
    launch.stdout_path = station.dir + "/stdout.txt";
    launch.stderr_path = station.dir + "/stderr.txt";
    launch.env = {{"PRODTOOL_DEVICE_DIR", station.dir}, {"PRODTOOL_SIM_TIME", "1700000000"}};
    EXPECT_TRUE(e2e::make_named_pipe(launch.stdin_path));
    Interrupted result;
    const int pid = e2e::start_process(launch);
    EXPECT_GT(pid, 0);
    if (pid <= 0) {
        return result;
    }
    std::ofstream console(launch.stdin_path, std::ios::binary);
    EXPECT_TRUE(e2e::wait_for_text(launch.stdout_path, LAST_QUESTION, DEADLINE_SECONDS))
        << e2e::read_file(launch.stdout_path);
    interrupt(pid, console);
    bool ended = false;
    result.exit_code = e2e::wait_process(pid, DEADLINE_SECONDS, &ended);
    EXPECT_TRUE(ended);
    if (!ended) {
        e2e::signal_process(pid, SIGKILL);
        e2e::wait_process(pid, -1, &ended);
    }
    result.out = e2e::read_file(launch.stdout_path);
    result.drive = sim::load_drive(e2e::drive_file(station), &error);
    EXPECT_TRUE(result.drive) << error;
    return result;
}

// The drive was saved as it stands: the rework's commands, all of its
// writes, and no device reset but the first production's.
void expect_drive_as_left(const sim::Drive& drive) {
    EXPECT_EQ(drive.counters.power_ons, 2u);
    EXPECT_GT(drive.last_run.commands[sim::FLASH_OP_COMMAND], 0u) << "the rework's flash operations";
    EXPECT_EQ(drive.last_run.commands[sim::DEVICE_RESET_COMMAND], 0u);
    EXPECT_EQ(drive.counters.device_resets, 1u);
    EXPECT_EQ(drive.violation_count, 0u) << e2e::violations_text(drive);
}

TEST(Interruption, ATerminatingSignalEndsTheRunWithTheDriveSaved) {
    const uint32_t build = e2e::built_builds().front();
    for (const int signal_number : {SIGINT, SIGTERM, SIGHUP, SIGQUIT}) {
        SCOPED_TRACE(signal_number);
        const e2e::Station station =
            e2e::make_station(build, "interrupted_by_signal_" + std::to_string(signal_number));
        e2e::Launch launch;
        launch.program = station.dir + "/prodtool-sim";
        launch.args = {"1"};
        const Interrupted run = interrupt_at_last_question(station, launch, [&](int pid, std::ofstream&) {
            EXPECT_TRUE(e2e::signal_process(pid, signal_number));
        });
        EXPECT_EQ(run.exit_code, 1) << run.out;
        if (run.drive) {
            expect_drive_as_left(*run.drive);
        }
    }
}

// On a terminal the operator's Ctrl-C reaches the tool while it waits for
// a key with echo off: the colour and the window title come back.
TEST(Interruption, CtrlCOnTheTerminalRestoresItsColourAndTitle) {
    const char* terminal_runner = "/usr/bin/script";
    if (!std::filesystem::exists(terminal_runner)) {
        GTEST_SKIP() << "no script(1) to give the run a terminal";
    }
    const e2e::Station station = e2e::make_station(e2e::built_builds().front(), "interrupted_on_terminal");
    e2e::Launch launch;
    launch.program = terminal_runner;
    launch.args = {"-qec", "exec ./prodtool-sim 1", "/dev/null"};
    const Interrupted run = interrupt_at_last_question(
        station, launch, [](int, std::ofstream& console) { console << '\x03' << std::flush; });
    EXPECT_EQ(run.exit_code, 1) << run.out;
    const std::string title_pushed = "\033[22;0t";
    const size_t question = run.out.find(LAST_QUESTION);
    EXPECT_LT(run.out.find(title_pushed), question) << run.out;
    const std::string end = run.out.substr(question + sizeof LAST_QUESTION - 1);
    EXPECT_NE(end.find("\033[0m\033[23;0t"), std::string::npos) << end;
    if (run.drive) {
        expect_drive_as_left(*run.drive);
    }
}

}  // namespace

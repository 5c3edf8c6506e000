// Answers piped to the tool's console, as a station script gives them: the
// answer to a count is a whole line, and a key question after it waits for
// the next key, not for that line's end.
#include <gtest/gtest.h>

#include <csignal>
#include <fstream>

#include "complete_run_checks.h"
#include "e2e_harness.h"
#include "process.h"

namespace {

using namespace e2e_run;

constexpr uint32_t BUILD = 1;
constexpr int DEADLINE_SECONDS = 60;
// Long enough for a run that took the line end as its key to have ended.
constexpr int STILL_WAITING_SECONDS = 2;

TEST(OperatorAnswers, KeyQuestionAfterAPipedCountWaitsForTheNextKey) {
    const e2e::Station station = e2e::make_station(BUILD, "piped_count_then_key");
    std::string error;
    ASSERT_TRUE(e2e::create_drive(station, scenario(BUILD), &error)) << error;
    e2e::Launch launch;
    launch.directory = station.dir;
    launch.program = station.dir + "/prodtool-sim";
    launch.args = {"1", "L", "T"};
    launch.stdin_path = station.dir + "/console_input";
    launch.stdout_path = station.dir + "/stdout.txt";
    launch.stderr_path = station.dir + "/stderr.txt";
    launch.env = {{"PRODTOOL_DEVICE_DIR", station.dir}, {"PRODTOOL_SIM_TIME", "1700000000"}};
    ASSERT_TRUE(e2e::make_named_pipe(launch.stdin_path));
    const int pid = e2e::start_process(launch);
    ASSERT_GT(pid, 0);
    std::ofstream console(launch.stdin_path, std::ios::binary);
    console << "2\n" << std::flush;
    EXPECT_TRUE(e2e::wait_for_text(launch.stdout_path, "press any key to finish\n", DEADLINE_SECONDS))
        << e2e::read_file(launch.stdout_path);

    bool ended = false;
    e2e::wait_process(pid, STILL_WAITING_SECONDS, &ended);
    EXPECT_FALSE(ended) << "the count's line end answered the key question";
    console << "k" << std::flush;
    console.close();
    const int exit_code = e2e::wait_process(pid, DEADLINE_SECONDS, &ended);
    if (!ended) {
        e2e::signal_process(pid, SIGKILL);
        e2e::wait_process(pid, -1, &ended);
    }
    EXPECT_EQ(exit_code, 0);
    const std::string out = e2e::read_file(launch.stdout_path);
    EXPECT_TRUE(out.starts_with("Flash timing test size = ")) << out;
    const std::unique_ptr<sim::Drive> drive = sim::load_drive(e2e::drive_file(station), &error);
    ASSERT_TRUE(drive) << error;
    EXPECT_EQ(drive->violation_count, 0u) << e2e::violations_text(*drive);
}

}  // namespace

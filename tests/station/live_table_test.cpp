// prodstation on a terminal (a pseudo terminal given by script(1)): the live
// table shows each drive's question on its row, the keys the table names
// answer it for that drive alone, and Ctrl-C ends the runs still going, which
// the table and the results file call cut short.
#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <nlohmann/json.hpp>
#include <sstream>
#include <thread>

#include "e2e_harness.h"
#include "process.h"

namespace {

namespace fs = std::filesystem;
using nlohmann::json;

constexpr int DEADLINE_SECONDS = 120;
constexpr char TERMINAL_RUNNER[] = "/usr/bin/script";

std::string read_file(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Waits until the screen shows the text after `from`; the position after it.
size_t wait_for_screen(const std::string& path, const std::string& text, size_t from = 0) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(DEADLINE_SECONDS);
    for (;;) {
        const size_t at = read_file(path).find(text, from);
        if (at != std::string::npos) {
            return at + text.size();
        }
        if (std::chrono::steady_clock::now() >= deadline) {
            ADD_FAILURE() << "the screen never showed \"" << text << "\":\n" << read_file(path);
            return std::string::npos;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
}

struct Terminal {
    int pid = -1;
    std::string screen_path;
    std::ofstream keys;
};

// prodstation on a wide pseudo terminal whose keyboard is `keys`.
void start_on_terminal(const e2e::Station& station, const std::string& station_args, Terminal* terminal) {
    e2e::Launch launch;
    launch.directory = station.dir;
    launch.program = TERMINAL_RUNNER;
    launch.args = {"-qec",
                   std::string("stty cols 200 rows 40; exec ") + PRODSTATION_PROGRAM + " " + station_args,
                   "/dev/null"};
    launch.stdin_path = station.dir + "/keyboard";
    launch.stdout_path = station.dir + "/screen.txt";
    launch.stderr_path = station.dir + "/screen_err.txt";
    launch.env = {{"PRODTOOL_DEVICE_DIR", station.dir}};
    ASSERT_TRUE(e2e::make_named_pipe(launch.stdin_path));
    terminal->pid = e2e::start_process(launch);
    ASSERT_GT(terminal->pid, 0);
    terminal->keys.open(launch.stdin_path, std::ios::binary);
    terminal->screen_path = launch.stdout_path;
}

void press(Terminal* terminal, const std::string& keys) {
    terminal->keys << keys << std::flush;
}

int wait_for_end(const Terminal& terminal) {
    bool ended = false;
    const int exit_code = e2e::wait_process(terminal.pid, DEADLINE_SECONDS, &ended);
    if (!ended) {
        ADD_FAILURE() << "prodstation did not end:\n" << read_file(terminal.screen_path);
        e2e::signal_process(terminal.pid, SIGKILL);
        e2e::wait_process(terminal.pid, -1, &ended);
    }
    return exit_code;
}

std::map<unsigned, json> results_by_drive(const e2e::Station& station) {
    std::map<unsigned, json> results;
    std::istringstream lines(read_file(station.dir + "/runs/results.jsonl"));
    for (std::string line; std::getline(lines, line);) {
        const json result = json::parse(line);
        results[result["drive"].get<unsigned>()] = result;
    }
    return results;
}

// Drive 1 is reworked and asks for the jumper at its end; drive 2, in
// operator mode, asks for its flash test count at its start and is left
// unanswered until Ctrl-C.
TEST(LiveTable, AnswersOneDrivesJumperQuestionAndCtrlCCutsTheOtherShort) {
    if (!fs::exists(TERMINAL_RUNNER)) {
        GTEST_SKIP() << "no script(1) to give prodstation a terminal";
    }
    const e2e::Station station = e2e::make_station(STATION_TEST_BUILD, "station_live_table");
    for (const unsigned drive : {1u, 2u}) {
        std::string error;
        ASSERT_TRUE(e2e::create_drive(station, R"({"build": 1})", &error, drive)) << error;
    }
    ASSERT_EQ(e2e::run(station, {"1"}).exit_code, 0) << "drive 1's first production";

    Terminal terminal;
    start_on_terminal(station, std::string("run --runs runs --tool ") + STATION_TOOL + " 1 2:L", &terminal);
    ASSERT_GT(terminal.pid, 0);
    size_t seen = wait_for_screen(terminal.screen_path, "? Flash BIST count =");
    seen = wait_for_screen(terminal.screen_path, "? change the jumper setting (factory mode -> normal mode)",
                           seen);
    // The first question took the keys: Tab moves them to drive 1's.
    press(&terminal, "\t");
    seen = wait_for_screen(terminal.screen_path, "drive 1: Enter to go on", seen);
    press(&terminal, "\r");
    seen = wait_for_screen(terminal.screen_path, "produced after", seen);
    wait_for_screen(terminal.screen_path, "drive 2: type the count, then Enter", seen);
    press(&terminal, "\x03");
    EXPECT_EQ(wait_for_end(terminal), 1) << read_file(terminal.screen_path);

    const std::string screen = read_file(terminal.screen_path);
    EXPECT_NE(screen.find("cut short after"), std::string::npos) << screen;
    EXPECT_NE(screen.find("produced 1, failed 0, yield 100.0%"), std::string::npos) << screen;
    std::map<unsigned, json> results = results_by_drive(station);
    ASSERT_EQ(results.size(), 2u);
    EXPECT_EQ(results[1]["result"], "produced");
    EXPECT_EQ(results[2]["result"], "cut short");
    EXPECT_EQ(results[2]["exit_code"], 1);
    const std::string drive_1 =
        read_file(station.dir + "/" + results[1]["run_dir"].get<std::string>() + "/console.txt");
    EXPECT_NE(drive_1.find("[press any key]\n"), std::string::npos) << drive_1;
}

// With --repeat a drive's row waits for the next drive: Enter starts it (here
// the same drive again, so a rework that asks for the jumper), q ends the
// session once every row waits.
TEST(LiveTable, RepeatStartsTheNextRunOnEnterAndQEndsTheSession) {
    if (!fs::exists(TERMINAL_RUNNER)) {
        GTEST_SKIP() << "no script(1) to give prodstation a terminal";
    }
    const e2e::Station station = e2e::make_station(STATION_TEST_BUILD, "station_repeat");
    std::string error;
    ASSERT_TRUE(e2e::create_drive(station, R"({"build": 1})", &error, 1)) << error;

    Terminal terminal;
    start_on_terminal(station, std::string("run --repeat --runs runs --tool ") + STATION_TOOL + " 1",
                      &terminal);
    ASSERT_GT(terminal.pid, 0);
    const std::string swap = "drive 1: swap the drive, then Enter starts its next run";
    size_t seen = wait_for_screen(terminal.screen_path, swap);
    press(&terminal, "\r");
    seen = wait_for_screen(terminal.screen_path, "? change the jumper setting", seen);
    press(&terminal, "q");  // not while a drive is at work
    press(&terminal, "\r");
    wait_for_screen(terminal.screen_path, swap, seen);
    press(&terminal, "q");
    EXPECT_EQ(wait_for_end(terminal), 0) << read_file(terminal.screen_path);

    std::vector<json> results;
    std::istringstream lines(read_file(station.dir + "/runs/results.jsonl"));
    for (std::string line; std::getline(lines, line);) {
        results.push_back(json::parse(line));
    }
    ASSERT_EQ(results.size(), 2u);
    for (const json& result : results) {
        EXPECT_EQ(result["result"], "produced");
    }
    EXPECT_NE(results[0]["run_dir"], results[1]["run_dir"]);
    EXPECT_NE(read_file(terminal.screen_path).find("produced 2, failed 0"), std::string::npos);
}

}  // namespace

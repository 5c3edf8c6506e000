// prodstation.exe under Wine runs two prodtool-sim.exe at once and records
// them as prodstation does on Linux with the Linux prodtool-sim: the same
// results lines (but for the times and run directories), the same console
// of every run and the same plain lines.
//
// Run by tools/test-windows, which sets PRODTOOL_WINE and
// PRODTOOL_WINDOWS_BUILD.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <nlohmann/json.hpp>
#include <regex>
#include <sstream>

#include "e2e_harness.h"
#include "process.h"

namespace {

namespace fs = std::filesystem;
using nlohmann::json;

constexpr int WINE_RUN_SECONDS = 300;

std::string variable(const char* name) {
    const char* value = std::getenv(name);
    return value == nullptr ? "" : value;
}

std::string read_file(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Windows writes every line end of a text stream as CR LF.
std::string from_windows_text(const std::string& text) {
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
        if (!(text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n')) {
            out += text[i];
        }
    }
    return out;
}

struct StationSide {
    int exit_code = -1;
    std::vector<std::string> lines;  // the plain lines, without their times
    std::map<unsigned, json> results;
    std::map<unsigned, std::string> consoles;
};

// Without the times and run directories the lines name.
std::vector<std::string> plain_lines(const std::string& out) {
    std::vector<std::string> lines;
    std::istringstream in(from_windows_text(out));
    for (std::string line; std::getline(in, line);) {
        line = std::regex_replace(line, std::regex(" after [0-9:]+| in runs/.*|[0-9.]+ (drives per hour)"),
                                  "$1");
        lines.push_back(line);
    }
    std::sort(lines.begin(), lines.end());
    return lines;
}

StationSide run_station(const e2e::Station& station, const std::string& program, const std::string& tool,
                        bool windows) {
    e2e::Launch launch;
    launch.directory = station.dir;
    launch.program = program;
    launch.args = {"run", "--tool", tool, "1:SWINESTATION1", "2:SWINESTATION2"};
    launch.stdin_path = "/dev/null";
    launch.stdout_path = station.dir + "/station_out.txt";
    launch.stderr_path = station.dir + "/station_err.txt";
    launch.env = {{"PRODTOOL_DEVICE_DIR", station.dir}};
    StationSide side;
    side.exit_code = e2e::run_process(launch);
    side.lines = plain_lines(read_file(launch.stdout_path));
    std::istringstream results(read_file(station.dir + "/runs/results.jsonl"));
    for (std::string line; std::getline(results, line);) {
        json result = json::parse(line);
        const unsigned drive = result["drive"].get<unsigned>();
        const std::string console =
            read_file(fs::path(station.dir) / result["run_dir"].get<std::string>() / "console.txt");
        side.consoles[drive] = windows ? from_windows_text(console) : console;
        for (const char* timed : {"start", "end", "seconds", "run_dir"}) {
            result.erase(timed);
        }
        side.results[drive] = result;
    }
    return side;
}

TEST(WineStation, TwoDrivesAtOnceAsOnLinux) {
    const std::string wine = variable("PRODTOOL_WINE");
    const std::string windows_build = variable("PRODTOOL_WINDOWS_BUILD");
    ASSERT_FALSE(wine.empty() || windows_build.empty()) << "run through tools/test-windows";
    const e2e::Station on_linux = e2e::make_station(1, "wine_station_linux");
    const e2e::Station on_windows = e2e::make_station(1, "wine_station_windows");
    // The programs in a folder named as the build's, so that both sides know it.
    const fs::path programs = fs::path(on_windows.dir) / "b1";
    fs::create_directories(programs);
    for (const fs::path file : {"b1/prodtool-sim.exe", "b1/stationlog.dll", "prodstation/prodstation.exe"}) {
        fs::copy_file(fs::path(windows_build) / file, programs / file.filename());
    }
    const fs::path launcher = fs::path(on_windows.dir) / "launch-wine";
    std::ofstream(launcher) << "#!/bin/sh\nexec timeout -k 5 " << WINE_RUN_SECONDS << " '" << wine
                            << "' b1/prodstation.exe \"$@\"\n";
    fs::permissions(launcher, fs::perms::owner_all);
    for (const e2e::Station& station : {on_linux, on_windows}) {
        std::string error;
        ASSERT_TRUE(
            e2e::create_drive(station, R"({"build": 1, "bad_blocks": [{"bank": 3, "block": 9}]})", &error, 1))
            << error;
        ASSERT_TRUE(e2e::create_drive(station, R"({"build": 1, "banks": "0x0F0E"})", &error, 2)) << error;
    }

    const StationSide linux_side = run_station(on_linux, PRODSTATION_PROGRAM, STATION_TOOL, false);
    const StationSide windows_side = run_station(on_windows, launcher.string(), "b1/prodtool-sim.exe", true);
    EXPECT_EQ(linux_side.exit_code, 1);
    EXPECT_EQ(windows_side.exit_code, linux_side.exit_code);
    EXPECT_EQ(windows_side.lines, linux_side.lines);
    ASSERT_EQ(linux_side.results.size(), 2u);
    EXPECT_EQ(linux_side.results.at(1)["result"], "produced");
    EXPECT_EQ(linux_side.results.at(2)["result"], "failed");
    for (const auto& [drive, result] : linux_side.results) {
        SCOPED_TRACE(drive);
        ASSERT_TRUE(windows_side.results.count(drive));
        EXPECT_EQ(windows_side.results.at(drive).dump(1), result.dump(1));
        EXPECT_EQ(windows_side.consoles.at(drive), linux_side.consoles.at(drive));
    }
}

}  // namespace

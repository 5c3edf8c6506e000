// The Windows prodtool-sim.exe under Wine against its Linux twin: the same
// run on the same drive must print the same console lines and leave the same
// exit code, station records (through the real plug-in DLL), dump files and
// drive. The stamp's station directory differs by nature; on Windows it must
// be the Windows path of the run's directory.
//
// Run by tools/test-windows, which sets PRODTOOL_WINE (the Wine loader),
// PRODTOOL_WINDOWS_BUILD (the Windows build directory), and the TZ,
// COMPUTERNAME and USERNAME that both sides see.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "drive_comparison.h"
#include "e2e_harness.h"
#include "model/field_use.h"

namespace {

namespace fs = std::filesystem;

constexpr int WINE_RUN_SECONDS = 300;
constexpr int TIMED_OUT = 124;  // timeout's exit code
// Both sides make up the same serial for a new drive from one entropy seed.
constexpr char SHARED_ENTROPY[] = "1700000000";

std::string variable(const char* name) {
    const char* value = std::getenv(name);
    return value == nullptr ? "" : value;
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

std::string records_text(const std::vector<e2e::StationRecord>& records) {
    std::ostringstream out;
    for (const e2e::StationRecord& r : records) {
        out << r.call << " " << r.stage << " " << r.status << " [" << r.text << "]\n";
    }
    return out.str();
}

// Z: is the Unix root under Wine.
std::string windows_path(const std::string& unix_path) {
    std::string path = "Z:" + unix_path;
    for (char& c : path) {
        c = c == '/' ? '\\' : c;
    }
    return path;
}

enum class Start {
    NEW_DRIVE,
    DRIVE_BACK_FROM_FIELD,  // produced once, then aged in the field
    DAMAGED_PROGRAM,        // one byte of the program file changed
};

struct Scenario {
    const char* name;
    uint32_t build;
    const char* scenario;
    std::vector<std::string> args;
    std::string input;
    Start start;
};

class WineRuns : public testing::Test {
  protected:
    std::string wine = variable("PRODTOOL_WINE");
    std::string windows_build = variable("PRODTOOL_WINDOWS_BUILD");

    void SetUp() override {
        ASSERT_FALSE(wine.empty() || windows_build.empty()) << "run through tools/test-windows";
        for (const char* shared : {"TZ", "COMPUTERNAME", "USERNAME"}) {
            ASSERT_FALSE(variable(shared).empty()) << shared << " must be set for both sides alike";
        }
    }

    // The Windows programs of the build in a station of their own, started
    // through a launcher that bounds the run.
    e2e::Station windows_station(uint32_t build, const std::string& name, const std::string& launch) {
        const e2e::Station station = e2e::make_station(build, name);
        const fs::path programs = fs::path(windows_build) / ("b" + std::to_string(build));
        for (const char* file : {"prodtool-sim.exe", "stationlog.dll"}) {
            fs::copy_file(programs / file, fs::path(station.dir) / file,
                          fs::copy_options::overwrite_existing);
        }
        fs::copy_file(fs::path(windows_build) / "windows_tests" / "colour_witness.exe",
                      fs::path(station.dir) / "colour_witness.exe");
        const fs::path launcher = fs::path(station.dir) / "launch-wine";
        std::ofstream(launcher) << "#!/bin/sh\nexec timeout -k 5 " << WINE_RUN_SECONDS << " " << launch
                                << "\n";
        fs::permissions(launcher, fs::perms::owner_all);
        return station;
    }

    e2e::Station plain_windows_station(uint32_t build, const std::string& name) {
        return windows_station(build, name, "'" + wine + "' ./prodtool-sim.exe \"$@\"");
    }

    e2e::RunResult run_windows(const e2e::Station& station, const std::vector<std::string>& args,
                               const std::string& input) {
        e2e::RunOptions options;
        options.input = input;
        options.program = "launch-wine";
        options.entropy = SHARED_ENTROPY;
        e2e::RunResult result = e2e::run(station, args, options);
        EXPECT_NE(result.exit_code, TIMED_OUT)
            << "the Wine run did not end within " << WINE_RUN_SECONDS << " s";
        return result;
    }
};

// The drive file both sides start from.
void prepare_drive(const Scenario& s, const e2e::Station& scratch, std::string* drive_path) {
    std::string error;
    ASSERT_TRUE(e2e::create_drive(scratch, s.scenario, &error)) << error;
    if (s.start == Start::DRIVE_BACK_FROM_FIELD) {
        const e2e::RunResult first = e2e::run(scratch, s.args);
        ASSERT_EQ(first.exit_code, 0) << first.out;
        std::unique_ptr<sim::Drive> drive = sim::load_drive(e2e::drive_file(scratch), &error);
        ASSERT_TRUE(drive) << error;
        std::string log;
        ASSERT_TRUE(sim::age_in_field(*drive, 3, 11, &log)) << log;
        ASSERT_TRUE(sim::save_drive(*drive, e2e::drive_file(scratch), &error)) << error;
    }
    *drive_path = e2e::drive_file(scratch);
}

void damage(const fs::path& program) {
    std::fstream file(program, std::ios::in | std::ios::out | std::ios::binary);
    file.seekg(static_cast<std::streamoff>(fs::file_size(program) / 2));
    const char byte = static_cast<char>(file.get() ^ 0x01);
    file.seekp(static_cast<std::streamoff>(fs::file_size(program) / 2));
    file.put(byte);
}

void expect_same_run(const e2e::RunResult& on_linux, const e2e::RunResult& on_windows,
                     const e2e::Station& windows) {
    EXPECT_EQ(on_windows.exit_code, on_linux.exit_code) << on_windows.err;
    EXPECT_EQ(from_windows_text(on_windows.out), on_linux.out);
    EXPECT_EQ(records_text(on_windows.records), records_text(on_linux.records));
    EXPECT_EQ(on_windows.dumps, on_linux.dumps);
    ASSERT_EQ(static_cast<bool>(on_windows.drive), static_cast<bool>(on_linux.drive));
    if (on_linux.drive) {
        EXPECT_EQ(wine_e2e::drive_differences(*on_linux.drive, *on_windows.drive), "");
        if (!wine_e2e::stamp_station_dir(*on_linux.drive).empty()) {
            EXPECT_EQ(wine_e2e::stamp_station_dir(*on_windows.drive), windows_path(windows.dir));
        }
    }
}

TEST_F(WineRuns, WindowsProgramRunsAsItsLinuxTwin) {
    const Scenario scenarios[] = {
        {"complete",
         1,
         R"({"build": 1, "bad_block_density": {"per_mille": 3, "seed": 7}})",
         {"1"},
         "",
         Start::NEW_DRIVE},
        {"largest_build", 5, R"({"build": 5})", {"2", "Sws-0001", "F2001"}, "", Start::NEW_DRIVE},
        {"nand_test",
         1,
         R"({"build": 1, "faults": [{"kind": "program_finds_bad", "bank": 1, "chip": "high", "block": 4000}]})",
         {"1", "L", "B1"},
         "",
         Start::NEW_DRIVE},
        {"timing_test", 1, R"({"build": 1})", {"1", "T"}, "", Start::NEW_DRIVE},
        {"rework", 1, R"({"build": 1})", {"1"}, "y", Start::DRIVE_BACK_FROM_FIELD},
        {"wrong_chip",
         1,
         R"({"build": 1, "ids": [{"bank": 9, "chip": "high", "id": "98 D7 D5 29 38"}]})",
         {"1"},
         "",
         Start::NEW_DRIVE},
        {"command_write_fails",
         1,
         R"({"build": 1, "faults": [{"kind": "link_write_fail", "sector": 0, "after": 3}]})",
         {"1"},
         "",
         Start::NEW_DRIVE},
        {"table_page_corrupted",
         1,
         R"({"build": 1, "faults": [{"kind": "read_differs", "bank": 2, "block": 0, "page": 0, "value": 10}]})",
         {"1"},
         "",
         Start::NEW_DRIVE},
        {"bootloader_corrupted",
         1,
         R"({"build": 1, "faults": [{"kind": "read_differs", "bank": 3, "block": 0, "page": 5, "value": 10}]})",
         {"1"},
         "",
         Start::NEW_DRIVE},
        {"invalid_revision", 1, R"({"build": 1})", {"1", "F123456789"}, "", Start::NEW_DRIVE},
        {"damaged_program", 1, R"({"build": 1})", {"1"}, "", Start::DAMAGED_PROGRAM},
    };
    for (const Scenario& s : scenarios) {
        SCOPED_TRACE(s.name);
        const std::string name = std::string("wine_") + s.name;
        std::string drive;
        prepare_drive(s, e2e::make_station(s.build, name + "_drive"), &drive);
        const e2e::Station on_linux = e2e::make_station(s.build, name + "_linux");
        const e2e::Station on_windows = plain_windows_station(s.build, name + "_windows");
        fs::copy_file(drive, e2e::drive_file(on_linux));
        fs::copy_file(drive, e2e::drive_file(on_windows));
        if (s.start == Start::DAMAGED_PROGRAM) {
            damage(fs::path(on_linux.dir) / "prodtool-sim");
            damage(fs::path(on_windows.dir) / "prodtool-sim.exe");
        }

        e2e::RunOptions linux_options;
        linux_options.input = s.input;
        linux_options.entropy = SHARED_ENTROPY;
        const e2e::RunResult linux_result = e2e::run(on_linux, s.args, linux_options);
        const e2e::RunResult windows_result = run_windows(on_windows, s.args, s.input);
        expect_same_run(linux_result, windows_result, on_windows);
    }
}

// On a real console: the error colour is shown and the colour the console had
// before comes back, whatever it was.
TEST_F(WineRuns, FatalErrorOnAConsoleLeavesItsColourAsItWas) {
    const e2e::Station station = windows_station(
        1, "wine_console_colour",
        "script -qec \"'" + wine + "' colour_witness.exe colour.txt 1f prodtool-sim.exe $*\" /dev/null");
    std::string error;
    ASSERT_TRUE(e2e::create_drive(
        station, R"({"build": 1, "ids": [{"bank": 9, "chip": "high", "id": "98 D7 D5 29 38"}]})", &error))
        << error;
    const e2e::RunResult result = run_windows(station, {"1"}, "");
    EXPECT_EQ(result.exit_code, 1) << result.out;
    std::ifstream colours(fs::path(station.dir) / "colour.txt");
    std::string before, after;
    colours >> before >> after;
    EXPECT_EQ(before, "1f");
    EXPECT_EQ(after, "1f");
    // Bright yellow on black, as the console shows the error colour on a terminal.
    EXPECT_NE(result.out.find("\033[93"), std::string::npos);
    ASSERT_GE(result.records.size(), 2u);
    EXPECT_EQ(result.records[result.records.size() - 2].status, 4);
    EXPECT_EQ(result.records.back().call, "finalize");
}

}  // namespace

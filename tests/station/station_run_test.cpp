// prodstation run with eight simulated drives at once, not on a terminal:
// every drive's result in its line and in the results file, every run's
// console, station records and dump files in its own directory.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <nlohmann/json.hpp>
#include <sstream>

#include "e2e_harness.h"
#include "process.h"

namespace {

namespace fs = std::filesystem;
using nlohmann::json;

std::string read_file(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

struct Drive {
    unsigned number;
    std::string scenario_members;  // beyond the build
    std::string argument;          // as prodstation gets it
    std::string result;
    json stage;         // null, or the stage it failed in
    std::string error;  // the start of its first "ERROR: " line
};

const std::vector<Drive> EIGHT_DRIVES = {
    {1, "", "1:SGOODDRIVE0001", "produced", nullptr, ""},
    {2, R"(, "bad_blocks": [{"bank": 0, "chip": "low", "block": 5}, {"bank": 0, "chip": "low", "block": 6}])",
     "2", "produced", nullptr, ""},
    {3, "", "3", "produced", nullptr, ""},  // produced once before: reworked
    {4, R"(, "faults": [{"kind": "read_differs", "bank": 8, "block": 0, "page": 0, "value": 100}])", "4",
     "failed", "flash test", "ERROR: data corruption. see good.bin and bad.bin"},
    {5, R"(, "faults": [{"kind": "scan_extra_bad", "bank": 9, "value": 320}])", "5", "failed", "flash test",
     "ERROR: too many bad blocks in "},
    {6, "", "6:T", "timing test done", nullptr, ""},
    {7, R"(, "banks": "0x0F0E")", "7", "failed", "module test", "ERROR: bank configuration error"},
    // The drive's link is lost during the download, as when it is pulled.
    {8, R"(, "faults": [{"kind": "link_transfer_fail", "value": 16000, "times": 0}])", "8", "failed",
     "download", "ERROR: no response from drive"},
};

struct StationRun {
    int exit_code = -1;
    std::string out;
    std::vector<json> results;
};

StationRun run_station(const e2e::Station& station, const std::vector<std::string>& args) {
    e2e::Launch launch;
    launch.directory = station.dir;
    launch.program = PRODSTATION_PROGRAM;
    launch.args = args;
    launch.stdin_path = "/dev/null";
    launch.stdout_path = station.dir + "/station_out.txt";
    launch.stderr_path = station.dir + "/station_err.txt";
    launch.env = {{"PRODTOOL_DEVICE_DIR", station.dir}};
    StationRun run;
    run.exit_code = e2e::run_process(launch);
    run.out = read_file(launch.stdout_path) + read_file(launch.stderr_path);
    std::istringstream lines(read_file(station.dir + "/runs/results.jsonl"));
    for (std::string line; std::getline(lines, line);) {
        run.results.push_back(json::parse(line));
    }
    return run;
}

e2e::Station eight_drives(const std::string& name) {
    const e2e::Station station = e2e::make_station(STATION_TEST_BUILD, name);
    for (const Drive& drive : EIGHT_DRIVES) {
        std::string error;
        EXPECT_TRUE(
            e2e::create_drive(station, "{\"build\": 1" + drive.scenario_members + "}", &error, drive.number))
            << error;
    }
    EXPECT_EQ(e2e::run(station, {"3"}).exit_code, 0) << "drive 3's first production";
    return station;
}

std::vector<std::string> station_args() {
    std::vector<std::string> args = {"run", "--runs", "runs", "--tool", STATION_TOOL};
    for (const Drive& drive : EIGHT_DRIVES) {
        args.push_back(drive.argument);
    }
    return args;
}

void expect_result(const json& result, const Drive& drive, const fs::path& station_dir) {
    SCOPED_TRACE(result.dump());
    EXPECT_EQ(result["result"], drive.result);
    EXPECT_EQ(result["stage"], drive.stage);
    EXPECT_EQ(result["build"], std::to_string(STATION_TEST_BUILD));
    EXPECT_EQ(result["fw_revision"], "1916");
    EXPECT_EQ(result["exit_code"], drive.result == "failed" ? 1 : 0);
    const fs::path run_dir = station_dir / result["run_dir"].get<std::string>();
    EXPECT_TRUE(result["run_dir"].get<std::string>().starts_with("runs/"));
    EXPECT_TRUE(result["run_dir"].get<std::string>().ends_with("-d" + std::to_string(drive.number)));
    EXPECT_NE(read_file(run_dir / "stationlog.jsonl").find("\"initialize\""), std::string::npos);
    const std::string console = read_file(run_dir / "console.txt");
    EXPECT_NE(console.find("SATA/SDRAM test 100%"), std::string::npos) << console;
    if (drive.error.empty()) {
        EXPECT_TRUE(result["errors"].empty());
        EXPECT_TRUE(result["fail_record"].is_null());
    } else {
        ASSERT_FALSE(result["errors"].empty());
        EXPECT_TRUE(result["errors"][0].get<std::string>().starts_with(drive.error));
        EXPECT_TRUE(result["fail_record"].is_string());
    }
    EXPECT_EQ(fs::exists(run_dir / "bad.bin"), drive.number == 4);
    EXPECT_EQ(fs::exists(run_dir / "good.bin"), drive.number == 4);
}

TEST(StationRun, EightDrivesAtOnceEachAccountedFor) {
    const e2e::Station station = eight_drives("station_eight_drives");
    const StationRun run = run_station(station, station_args());
    EXPECT_EQ(run.exit_code, 1) << run.out;
    ASSERT_EQ(run.results.size(), EIGHT_DRIVES.size()) << run.out;
    std::map<unsigned, json> by_drive;
    for (const json& result : run.results) {
        by_drive[result["drive"].get<unsigned>()] = result;
    }
    for (const Drive& drive : EIGHT_DRIVES) {
        SCOPED_TRACE(drive.number);
        ASSERT_TRUE(by_drive.count(drive.number));
        expect_result(by_drive[drive.number], drive, station.dir);
        const std::string ended = "drive " + std::to_string(drive.number) + ": " + drive.result;
        EXPECT_NE(run.out.find(ended), std::string::npos) << run.out;
    }
    EXPECT_EQ(by_drive[1]["serial"], "GOODDRIVE0001");
    EXPECT_EQ(by_drive[1]["options"], json::array({"SGOODDRIVE0001"}));
    EXPECT_EQ(by_drive[6]["options"], json::array({"T"}));
    EXPECT_EQ(by_drive[2]["factory_bad"][0],
              json::parse(R"({"bank":0,"chip":"low","blocks":2,"percent":0.02})"));
    EXPECT_EQ(by_drive[2]["factory_bad"].size(), 16u) << "both chips of the eight banks";
    EXPECT_NE(run.out.find("produced 3, failed 4, yield 42.9%"), std::string::npos) << run.out;

    // The report of the same runs: a page and a row of the table per run.
    const StationRun report = run_station(station, {"report", "--runs", "runs"});
    EXPECT_EQ(report.exit_code, 0) << report.out;
    const std::string page = read_file(station.dir + "/runs/report.html");
    EXPECT_NE(page.find("<svg"), std::string::npos);
    const std::string table = read_file(station.dir + "/runs/report.csv");
    EXPECT_TRUE(table.starts_with("drive,")) << table;
    for (const json& result : run.results) {
        EXPECT_NE(table.find(result["run_dir"].get<std::string>()), std::string::npos) << table;
    }
}

TEST(StationRun, EveryDriveProducedEndsWithExitCodeZero) {
    const e2e::Station station = e2e::make_station(STATION_TEST_BUILD, "station_all_produced");
    for (const unsigned drive : {1u, 2u}) {
        std::string error;
        EXPECT_TRUE(e2e::create_drive(station, R"({"build": 1})", &error, drive)) << error;
    }
    const StationRun run =
        run_station(station, {"run", "--runs", "runs", "--tool", STATION_TOOL, "1", "2", "--", "L", "B0"});
    EXPECT_EQ(run.exit_code, 0) << run.out;
    ASSERT_EQ(run.results.size(), 2u);
    for (const json& result : run.results) {
        EXPECT_EQ(result["result"], "produced");
        EXPECT_EQ(result["options"], json::array({"L", "B0"}));
    }
}

TEST(StationRun, AToolThatCannotStartIsAFailedRun) {
    const e2e::Station station = e2e::make_station(STATION_TEST_BUILD, "station_tool_missing");
    const StationRun run =
        run_station(station, {"run", "--runs", "runs", "--tool", station.dir + "/no-such-tool", "1"});
    EXPECT_EQ(run.exit_code, 1) << run.out;
    ASSERT_EQ(run.results.size(), 1u) << run.out;
    EXPECT_EQ(run.results[0]["result"], "failed");
    EXPECT_EQ(run.results[0]["errors"][0],
              "ERROR: the station cannot start " + station.dir + "/no-such-tool: No such file or directory");
    EXPECT_NE(run.out.find("drive 1: failed"), std::string::npos) << run.out;
}

TEST(StationRun, ADriveNamedTwiceOrNoNumberIsRefused) {
    const e2e::Station station = e2e::make_station(STATION_TEST_BUILD, "station_bad_drives");
    for (const std::vector<std::string>& drives : {std::vector<std::string>{"1", "1"}, {"x"}, {"2:"}}) {
        std::vector<std::string> args = {"run", "--runs", "runs", "--tool", STATION_TOOL};
        args.insert(args.end(), drives.begin(), drives.end());
        const StationRun run = run_station(station, args);
        EXPECT_EQ(run.exit_code, 1) << run.out;
        EXPECT_NE(run.out.find("is no drive"), std::string::npos) << run.out;
        EXPECT_FALSE(fs::exists(station.dir + "/runs/results.jsonl"));
    }
}

}  // namespace

// prodstation with the real prodtool, unchanged, on drives that simdrive
// serves through FUSE, in real time: four drives produced at once finish
// within 1.15 times the time one of them takes alone, because a run is
// mostly the drive's own waiting (the initial scan's 80 s).
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>
#include <nlohmann/json.hpp>
#include <sstream>

#include "e2e_harness.h"
#include "mount_process.h"

namespace {

namespace fs = std::filesystem;
using nlohmann::json;

constexpr int STATION_DEADLINE_S = 600;
constexpr double ALLOWED_SLOWDOWN = 1.15;
constexpr unsigned ALONE_DRIVE = 5;
const std::vector<std::string> FOUR_DRIVES = {"1", "2", "3", "4"};

std::string read_file(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// The results lines the session added, in the order they were written.
std::vector<json> run_station(const e2e::Station& station, const std::string& mount_dir,
                              const std::vector<std::string>& drives) {
    const size_t lines_before = [&] {
        std::istringstream in(read_file(station.dir + "/runs/results.jsonl"));
        size_t count = 0;
        for (std::string line; std::getline(in, line);) {
            ++count;
        }
        return count;
    }();
    e2e::Launch launch;
    launch.directory = station.dir;
    launch.program = PRODSTATION_PROGRAM;
    launch.args = {"run", "--runs", "runs", "--tool",
                   station.dir + "/b" + std::to_string(station.build) + "/prodtool"};
    launch.args.insert(launch.args.end(), drives.begin(), drives.end());
    launch.stdin_path = "/dev/null";
    launch.stdout_path = station.dir + "/station_out.txt";
    launch.stderr_path = station.dir + "/station_err.txt";
    launch.env = {{"PRODTOOL_DEVICE_DIR", mount_dir}};
    EXPECT_EQ(real_binary::run_with_deadline(launch, STATION_DEADLINE_S), 0)
        << read_file(launch.stdout_path) << read_file(launch.stderr_path);
    std::vector<json> added;
    std::istringstream in(read_file(station.dir + "/runs/results.jsonl"));
    size_t index = 0;
    for (std::string line; std::getline(in, line); ++index) {
        if (index >= lines_before) {
            added.push_back(json::parse(line));
        }
    }
    return added;
}

TEST(StationRealTime, FourDrivesAtOnceTakeHardlyLongerThanOneAlone) {
    std::string why = "simdrive was built without libfuse3";
    if (!SIMDRIVE_MOUNTS || !real_binary::fuse_usable(&why)) {
        GTEST_SKIP() << "FUSE cannot be used here (" << why
                     << "): the station was NOT run on simulated drives";
    }
    const e2e::Station station = e2e::make_station(e2e::built_builds().front(), "real_time_station");
    const fs::path programs = fs::path(station.dir) / ("b" + std::to_string(station.build));
    fs::create_directories(programs);
    for (const char* file : {"prodtool", "stationlog.dll"}) {
        fs::copy_file(fs::path(REAL_BINARY_DIR) / programs.filename() / file, programs / file);
    }
    std::vector<std::string> drive_files;
    for (unsigned drive = 1; drive <= ALONE_DRIVE; ++drive) {
        std::string error;
        ASSERT_TRUE(
            e2e::create_drive(station, "{\"build\": " + std::to_string(station.build) + "}", &error, drive))
            << error;
        drive_files.push_back(e2e::drive_file(station, drive));
    }
    const std::string mount_dir = station.dir + "/mnt";
    fs::create_directories(mount_dir);
    real_binary::Mount mount =
        real_binary::start_mount(SIMDRIVE_PROGRAM, mount_dir, drive_files, station.dir + "/mount.log");
    ASSERT_GT(mount.pid, 0) << read_file(station.dir + "/mount.log");

    const std::vector<json> alone = run_station(station, mount_dir, {std::to_string(ALONE_DRIVE)});
    const std::vector<json> four = run_station(station, mount_dir, FOUR_DRIVES);
    EXPECT_TRUE(real_binary::stop_mount(mount)) << "simdrive had to be killed";

    ASSERT_EQ(alone.size(), 1u);
    ASSERT_EQ(four.size(), FOUR_DRIVES.size());
    EXPECT_EQ(alone[0]["result"], "produced") << alone[0].dump();
    double slowest = 0;
    for (const json& result : four) {
        EXPECT_EQ(result["result"], "produced") << result.dump();
        slowest = std::max(slowest, result["seconds"].get<double>());
    }
    const double one = alone[0]["seconds"].get<double>();
    std::cout << "one drive alone: " << one << " s; four at once: the slowest " << slowest << " s\n";
    ::testing::Test::RecordProperty("one_alone_seconds", std::to_string(one));
    ::testing::Test::RecordProperty("four_at_once_seconds", std::to_string(slowest));
    EXPECT_LE(slowest, ALLOWED_SLOWDOWN * one);
}

}  // namespace

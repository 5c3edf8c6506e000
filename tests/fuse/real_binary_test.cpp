// The real prodtool, unchanged, on a simulated drive that simdrive serves
// through FUSE: its POSIX raw-disk layer (O_DIRECT, aligned buffers, chunks,
// positions) against the drive. These runs take real time: the initial scan
// alone waits 80 s. Where FUSE cannot be used the tests are skipped and say
// why.
#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "e2e_harness.h"
#include "model/verdict.h"
#include "mount_process.h"

namespace {

namespace fs = std::filesystem;

constexpr int RUN_DEADLINE_S = 600;
constexpr uint64_t SCAN_WAIT_MS = 80000;

std::string read_file(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

class RealBinary : public ::testing::Test {
  protected:
    void SetUp() override {
        std::string why = "simdrive was built without libfuse3";
        if (!SIMDRIVE_MOUNTS || !real_binary::fuse_usable(&why)) {
            GTEST_SKIP() << "FUSE cannot be used here (" << why
                         << "): the real prodtool was NOT run on a simulated drive";
        }
        const std::string name = ::testing::UnitTest::GetInstance()->current_test_info()->name();
        station_ = e2e::make_station(e2e::built_builds().front(), "real_binary_" + name);
        mount_dir_ = station_.dir + "/mnt";
        fs::create_directories(mount_dir_);
        const fs::path program =
            fs::path(REAL_BINARY_DIR) / ("b" + std::to_string(station_.build)) / "prodtool";
        fs::copy_file(program, fs::path(station_.dir) / "prodtool", fs::copy_options::overwrite_existing);
    }

    void TearDown() override {
        EXPECT_TRUE(real_binary::stop_mount(mount_)) << "simdrive had to be killed";
    }

    void mount(const std::string& scenario) {
        std::string error;
        ASSERT_TRUE(e2e::create_drive(station_, scenario, &error)) << error;
        serve();
    }

    void serve() {
        mount_ = real_binary::start_mount(SIMDRIVE_PROGRAM, mount_dir_, {e2e::drive_file(station_)},
                                          station_.dir + "/mount.log");
        ASSERT_GT(mount_.pid, 0) << read_file(station_.dir + "/mount.log");
    }

    // The real program on the mounted drive, its output and console named
    // after the run.
    e2e::Launch launch(const std::string& run, const std::string& console) const {
        return {
            station_.dir,
            station_.dir + "/prodtool",
            {"1"},
            console,
            station_.dir + "/" + run + "_stdout.txt",
            station_.dir + "/" + run + "_stderr.txt",
            {{"PRODTOOL_DEVICE_DIR", mount_dir_}, {"PRODTOOL_STATION_LOG", station_.dir + "/station.jsonl"}}};
    }

    // Runs the real program on the mounted drive, then unmounts it so that
    // the drive file holds what the run left.
    int run_real_program(std::string* out) {
        const e2e::Launch run = launch("run", "/dev/null");
        const int code = real_binary::run_with_deadline(run, RUN_DEADLINE_S);
        *out = read_file(run.stdout_path);
        EXPECT_TRUE(real_binary::stop_mount(mount_));
        return code;
    }

    std::unique_ptr<sim::Drive> drive_after() {
        std::string error;
        std::unique_ptr<sim::Drive> drive = sim::load_drive(e2e::drive_file(station_), &error);
        EXPECT_TRUE(drive) << error;
        return drive;
    }

    e2e::Station station_;
    std::string mount_dir_;
    real_binary::Mount mount_;
};

TEST_F(RealBinary, CompleteProductionRunOnANewDrive) {
    mount("{\"build\": " + std::to_string(station_.build) +
          ", \"bad_blocks\": [{\"bank\": 1, \"block\": 77}]}");
    std::string out;
    EXPECT_EQ(run_real_program(&out), 0) << out;
    EXPECT_TRUE(out.ends_with("\nfirmware installation complete\n")) << out;
    const std::unique_ptr<sim::Drive> drive = drive_after();
    ASSERT_TRUE(drive);
    EXPECT_EQ(drive->violation_count, 0u) << e2e::violations_text(*drive);
    EXPECT_EQ(drive->counters.device_resets, 1u);
    EXPECT_EQ(drive->boot_verdict, sim::WOULD_BOOT);
    EXPECT_GE(drive->last_run.waited_ms, SCAN_WAIT_MS);
}

TEST_F(RealBinary, AFailedWriteEndsTheRunAndLeavesTheDriveFile) {
    // The fifth command sector after the enable cannot be written.
    mount("{\"build\": " + std::to_string(station_.build) +
          ", \"faults\": [{\"kind\": \"link_write_fail\", \"sector\": 0, \"after\": 5}]}");
    std::string out;
    EXPECT_EQ(run_real_program(&out), 1) << out;
    EXPECT_NE(out.find("ERROR: no response from drive"), std::string::npos) << out;
    const std::unique_ptr<sim::Drive> drive = drive_after();
    ASSERT_TRUE(drive);
    EXPECT_EQ(drive->violation_count, 0u) << e2e::violations_text(*drive);
    EXPECT_EQ(drive->counters.commands, 5u);
    EXPECT_EQ(drive->faults.front().fired, 1u);
}

// One drive, one run, through the POSIX raw-disk layer: the first run's
// claim on the served file holds off a second prodtool while the first
// waits for the jumper; the first then ends produced.
TEST_F(RealBinary, ASecondRunOnTheServedDriveIsRefusedWhileTheFirstRuns) {
    // Produced on the in-process drive first: the real run is then a rework,
    // which scans nothing and asks for the jumper before the reset.
    std::string error;
    ASSERT_TRUE(e2e::create_drive(station_, "{\"build\": " + std::to_string(station_.build) + "}", &error))
        << error;
    ASSERT_EQ(e2e::run(station_, {"1"}).exit_code, 0) << "the drive's first production";
    serve();

    const e2e::Launch first = launch("first", station_.dir + "/console");
    ASSERT_TRUE(e2e::make_named_pipe(first.stdin_path));
    const int pid = e2e::start_process(first);
    ASSERT_GT(pid, 0);
    std::ofstream console(first.stdin_path, std::ios::binary);
    ASSERT_TRUE(e2e::wait_for_text(first.stdout_path, "[press any key]", RUN_DEADLINE_S))
        << read_file(first.stdout_path);

    const e2e::Launch second = launch("second", "/dev/null");
    EXPECT_EQ(real_binary::run_with_deadline(second, RUN_DEADLINE_S), 1);
    const std::string refused = read_file(second.stdout_path);
    EXPECT_TRUE(refused.starts_with(
        "ERROR: target drive \\\\.\\PHYSICALDRIVE1 is in use by another production run\n"))
        << refused;

    console << 'y' << std::flush;
    console.close();
    bool ended = false;
    EXPECT_EQ(e2e::wait_process(pid, RUN_DEADLINE_S, &ended), 0) << read_file(first.stdout_path);
    if (!ended) {
        e2e::signal_process(pid, SIGKILL);
        e2e::wait_process(pid, -1, &ended);
    }
    EXPECT_TRUE(real_binary::stop_mount(mount_));
    const std::unique_ptr<sim::Drive> drive = drive_after();
    ASSERT_TRUE(drive);
    EXPECT_EQ(drive->violation_count, 0u) << e2e::violations_text(*drive);
    EXPECT_EQ(drive->boot_verdict, sim::WOULD_BOOT);
    EXPECT_EQ(drive->counters.power_ons, 2u) << "the production and the rework alone";
}

}  // namespace

// The real prodtool, unchanged, on a simulated drive that simdrive serves
// through FUSE: its POSIX raw-disk layer (O_DIRECT, aligned buffers, chunks,
// positions) against the drive. These runs take real time: the initial scan
// alone waits 80 s. Where FUSE cannot be used the tests are skipped and say
// why.
#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <thread>
#include <vector>

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
        serve_drive();
    }

    // Serves the station's drive file as it stands.
    void serve_drive() {
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
    serve_drive();

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

// The files a running process has open, by descriptor, as /proc names them.
std::map<int, std::string> open_files(int pid) {
    std::map<int, std::string> files;
    std::error_code error;
    for (const fs::directory_entry& entry :
         fs::directory_iterator("/proc/" + std::to_string(pid) + "/fd", error)) {
        const fs::path target = fs::read_symlink(entry.path(), error);
        if (!error) {
            files[std::stoi(entry.path().filename().string())] = target.string();
        }
    }
    return files;
}

struct Watched {
    int code = -1;                     // -1: killed at the deadline
    int drive = -1;                    // the drive's descriptor, -1: never seen open
    std::map<int, std::string> files;  // what the descriptors named then
};

// Runs the program to its end, looking at its descriptors until the drive
// first shows among them.
Watched run_watching(const e2e::Launch& launch, const std::string& drive_path) {
    Watched watched;
    const int pid = e2e::start_process(launch);
    if (pid <= 0) {
        return watched;
    }
    bool ended = false;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(RUN_DEADLINE_S);
    while (!ended && std::chrono::steady_clock::now() < deadline) {
        if (watched.drive < 0) {
            watched.files = open_files(pid);
            for (const auto& [descriptor, target] : watched.files) {
                if (target == drive_path) {
                    watched.drive = descriptor;
                }
            }
        }
        watched.code = e2e::wait_process(pid, 0, &ended);
        if (!ended) {
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
    }
    if (!ended) {
        e2e::signal_process(pid, SIGKILL);
        e2e::wait_process(pid, -1, &ended);
        watched.code = -1;
    }
    return watched;
}

// Started with standard output (or all three standard streams) closed, the
// tool's next open would take the closed descriptor's place: the drive would
// receive the console text as writes, or answer the questions. The drive's
// descriptor is looked up while the run has it open; the run must behave as
// with the null device. The drive is produced first by prodtool-sim, in
// virtual time, so that these runs are reworks without the scan's 80 s.
TEST_F(RealBinary, ClosedStandardStreamsAreNeverTheDrive) {
    std::string error;
    ASSERT_TRUE(e2e::create_drive(station_, "{\"build\": " + std::to_string(station_.build) + "}", &error))
        << error;
    const e2e::RunResult produced = e2e::run(station_, {"1", "SFIRST"});
    ASSERT_EQ(produced.exit_code, 0) << produced.out;
    // As /proc names them: without symbolic links.
    const std::string drive_path = (fs::canonical(mount_dir_) / "PHYSICALDRIVE1").string();
    const std::string stderr_path = (fs::canonical(station_.dir) / "stderr.txt").string();
    const struct {
        const char* closed;
        std::string stdin_path, stderr_path;
        std::vector<std::string> streams;  // what descriptors 0 to 2 name during the run
    } cases[] = {
        {"standard output", "/dev/null", stderr_path, {"/dev/null", "/dev/null", stderr_path}},
        {"standard input, output and error", "", "", {"/dev/null", "/dev/null", "/dev/null"}},
    };
    uint64_t resets = 1;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.closed);
        serve_drive();
        const e2e::Launch launch{
            station_.dir,
            station_.dir + "/prodtool",
            {"1", "SSECOND"},
            c.stdin_path,
            "",
            c.stderr_path,
            {{"PRODTOOL_DEVICE_DIR", mount_dir_}, {"PRODTOOL_STATION_LOG", station_.dir + "/station.jsonl"}}};
        const Watched run = run_watching(launch, drive_path);
        EXPECT_TRUE(real_binary::stop_mount(mount_));
        EXPECT_EQ(run.code, 0);
        ASSERT_GE(run.drive, 0) << "the run never had the drive open";
        EXPECT_GT(run.drive, 2);
        for (int stream = 0; stream <= 2; ++stream) {
            EXPECT_EQ(run.files.contains(stream) ? run.files.at(stream) : "(closed)", c.streams[stream])
                << "descriptor " << stream;
        }
        const std::unique_ptr<sim::Drive> drive = drive_after();
        ASSERT_TRUE(drive);
        EXPECT_EQ(drive->violation_count, 0u) << e2e::violations_text(*drive);
        EXPECT_EQ(drive->counters.device_resets, ++resets);
        EXPECT_EQ(drive->boot_verdict, sim::WOULD_BOOT);
    }
}

}  // namespace

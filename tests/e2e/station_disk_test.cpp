// The tool refuses a disk of the station before it writes anything: loop
// devices that hold a mounted file system, whose partition is mounted, on
// which a stacked device stands, or that the kernel holds for someone else.
// The disks are of a factory-mode drive's size, so that the refusal proven
// is the station-disk one; the same disk, free, is opened like any drive.
// Needs the rights to attach and mount loop devices; device-mapper where the
// machine has it.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "e2e_harness.h"

namespace {

namespace fs = std::filesystem;

const char REFUSAL[] = "ERROR: target drive \\\\.\\PHYSICALDRIVE1 is in use by this station\n";
const char REFUSAL_RECORD[] = "Target drive is in use by this station.\nTarget drive number = 1\n";
// The disk a drive in factory mode presents: its 64 MiB of SDRAM.
constexpr const char* FACTORY_MODE_DISK_BYTES = "67108864";

bool shell(const std::string& command) {
    return std::system((command + " >/dev/null 2>&1").c_str()) == 0;
}

// The first word a command prints, empty when it fails.
std::string output_of(const std::string& command, const std::string& dir) {
    const std::string out = dir + "/command_output";
    if (std::system((command + " >" + out + " 2>/dev/null").c_str()) != 0) {
        return {};
    }
    std::string word;
    std::ifstream(out) >> word;
    return word;
}

// A scratch station with the real prodtool, whose drive 1 is a loop device
// over an image of a factory-mode drive's size. Everything it attached or
// mounted goes again at the end.
class StationDisk : public ::testing::Test {
  protected:
    void SetUp() override {
        const std::string name = ::testing::UnitTest::GetInstance()->current_test_info()->name();
        station_ = e2e::make_station(e2e::built_builds().front(), "station_disk_" + name);
        real_tool_ = e2e::with_real_program(station_);
    }

    void TearDown() override {
        for (auto mount = mounts_.rbegin(); mount != mounts_.rend(); ++mount) {
            shell("umount " + *mount);
        }
        if (!mapped_.empty()) {
            shell("dmsetup remove " + mapped_);
        }
        if (!device_.empty()) {
            shell("losetup -d " + device_);
        }
    }

    // Attaches the image (with a partition table of one partition when
    // asked) and names the device as drive 1; false when this machine does
    // not let the test attach loop devices.
    bool attach(bool partitioned) {
        const std::string image = station_.dir + "/disk.img";
        if (!shell(std::string("truncate -s ") + FACTORY_MODE_DISK_BYTES + " " + image) ||
            (partitioned && !shell("echo ',,L' | sfdisk -q " + image))) {
            return false;
        }
        device_ =
            output_of("losetup -f --show " + std::string(partitioned ? "-P " : "") + image, station_.dir);
        if (device_.empty()) {
            return false;
        }
        fs::create_symlink(device_, fs::path(station_.dir) / "PHYSICALDRIVE1");
        return true;
    }

    // The device node of the disk's first partition: the system's, or one
    // made here from the kernel's device number where nothing makes nodes.
    std::string first_partition() {
        const std::string name = fs::path(device_).filename().string() + "p1";
        shell("partx -a " + device_);
        if (fs::exists("/dev/" + name)) {
            return "/dev/" + name;
        }
        const std::string numbers = e2e::read_file("/sys/class/block/" + name + "/dev");
        const size_t colon = numbers.find(':');
        if (colon == std::string::npos) {
            return {};
        }
        const std::string node = station_.dir + "/" + name;
        const bool made = shell("mknod " + node + " b " + numbers.substr(0, colon) + " " +
                                std::to_string(std::stoul(numbers.substr(colon + 1))));
        return made ? node : std::string();
    }

    bool mount(const std::string& device) {
        const std::string mount_point = station_.dir + "/mounted" + std::to_string(mounts_.size());
        fs::create_directories(mount_point);
        if (!shell("mkfs.ext2 -q " + device) || !shell("mount " + device + " " + mount_point)) {
            return false;
        }
        mounts_.push_back(mount_point);
        return true;
    }

    e2e::RunResult run() {
        fs::remove(station_.dir + "/debug.log");
        return e2e::run(station_, {"1"}, real_tool_);
    }

    // Refused before the first write, with the reason in the diagnostics.
    void expect_refused(const e2e::RunResult& result, const std::string& reason) {
        EXPECT_EQ(result.exit_code, 1);
        EXPECT_TRUE(result.out.starts_with(REFUSAL)) << result.out;
        EXPECT_EQ(result.out.find("SATA/SDRAM test"), std::string::npos) << result.out;
        EXPECT_EQ(e2e::fail_records(result), std::vector<std::string>{REFUSAL_RECORD});
        const std::string diagnostics = e2e::read_file(station_.dir + "/debug.log");
        EXPECT_NE(diagnostics.find(reason), std::string::npos) << diagnostics;
    }

    // Opened and written like any drive: a disk that is no drive then fails
    // at the drive's answers.
    void expect_opened(const e2e::RunResult& result) {
        EXPECT_EQ(result.exit_code, 1);
        EXPECT_EQ(result.out.find(REFUSAL), std::string::npos) << result.out;
        EXPECT_EQ(result.out.find("cannot open"), std::string::npos) << result.out;
        EXPECT_EQ(result.out.find("not a drive in factory mode"), std::string::npos) << result.out;
    }

    e2e::Station station_;
    e2e::RunOptions real_tool_;
    std::string device_;
    std::string mapped_;
    std::vector<std::string> mounts_;
};

TEST_F(StationDisk, AMountedDiskIsRefusedAndTheSameDiskUnmountedIsNot) {
    if (!attach(false) || !mount(device_)) {
        GTEST_SKIP() << "loop devices cannot be attached and mounted here";
    }
    expect_refused(run(), " is mounted on ");
    shell("umount " + mounts_.back());
    mounts_.pop_back();
    expect_opened(run());
}

TEST_F(StationDisk, ADiskWhosePartitionIsMountedIsRefused) {
    if (!shell("command -v sfdisk") || !attach(true)) {
        GTEST_SKIP() << "no sfdisk, or loop devices cannot be attached here";
    }
    const std::string partition = first_partition();
    if (partition.empty() || !mount(partition)) {
        GTEST_SKIP() << "the loop device's partition cannot be found or mounted here";
    }
    expect_refused(run(), " is mounted on ");
}

// What a volume manager, RAID or swap does to its disks: the kernel holds
// the disk for them, and the tool's exclusive open finds it busy.
TEST_F(StationDisk, ADiskTheKernelHoldsForAnotherUserIsRefused) {
    if (!attach(false)) {
        GTEST_SKIP() << "loop devices cannot be attached here";
    }
    const int holder = ::open(device_.c_str(), O_RDONLY | O_EXCL | O_CLOEXEC);
    ASSERT_GE(holder, 0) << "the free loop device cannot be held";
    const e2e::RunResult held = run();
    ::close(holder);
    expect_refused(held, "the system holds it");
    expect_opened(run());
}

TEST_F(StationDisk, ADiskUnderAStackedDeviceIsRefused) {
    if (!attach(false)) {
        GTEST_SKIP() << "loop devices cannot be attached here";
    }
    const std::string name = "prodtool_station_disk_" + std::to_string(::getpid());
    const std::string sectors = std::to_string(std::stoull(FACTORY_MODE_DISK_BYTES) / 512);
    if (!shell("dmsetup create " + name + " --table '0 " + sectors + " linear " + device_ + " 0'")) {
        GTEST_SKIP() << "device-mapper cannot be used here";
    }
    mapped_ = name;
    expect_refused(run(), "the system holds it");
    // Mounted, the stacked device is found standing on the disk.
    if (mount("/dev/mapper/" + name)) {
        expect_refused(run(), " is mounted on ");
    }
}

}  // namespace

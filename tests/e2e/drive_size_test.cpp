// Only a drive in factory mode is written: its disk is its SDRAM, at least
// the 65,075,200 bytes the SATA/SDRAM test covers and at most the 64 MiB
// fitted. The real prodtool, given a disk of any other size (a file or a
// loop device standing in for a stick, a disk image, a station disk), ends
// before the first write and leaves every byte of it as it was.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "e2e_harness.h"

namespace {

namespace fs = std::filesystem;

const char REFUSAL[] = "ERROR: target drive \\\\.\\PHYSICALDRIVE1 is not a drive in factory mode\n";
const char REFUSAL_RECORD[] = "Target drive is not a drive in factory mode.\nTarget drive number = 1\n";
constexpr uint64_t SMALLEST_DRIVE = 65075200;
constexpr uint64_t LARGEST_DRIVE = 64ull << 20;

constexpr size_t SECTOR = 512;

std::string marked_sector() {
    std::string sector(SECTOR, '\0');
    for (size_t i = 0; i < SECTOR; ++i) {
        sector[i] = static_cast<char>(i * 13 + 5);
    }
    return sector;
}

// A disk of `bytes` whose first and last sectors are marked, the rest left
// sparse (zero).
void make_disk(const std::string& path, uint64_t bytes) {
    std::ofstream(path, std::ios::binary | std::ios::trunc) << marked_sector();
    fs::resize_file(path, bytes);
    std::fstream end(path, std::ios::binary | std::ios::in | std::ios::out);
    end.seekp(static_cast<std::streamoff>(bytes - SECTOR));
    end << marked_sector();
}

// Every byte as make_disk left it, read a sector at a time.
bool untouched(const std::string& path, uint64_t bytes) {
    std::ifstream in(path, std::ios::binary);
    const std::string mark = marked_sector();
    const std::string zeros(SECTOR, '\0');
    std::string sector(SECTOR, '\0');
    for (uint64_t at = 0; at < bytes; at += SECTOR) {
        if (!in.read(sector.data(), SECTOR)) {
            return false;
        }
        const bool marked = at == 0 || at + SECTOR == bytes;
        if (sector != (marked ? mark : zeros)) {
            return false;
        }
    }
    return in.peek() == std::char_traits<char>::eof();
}

class DriveSize : public ::testing::Test {
  protected:
    void SetUp() override {
        const std::string name = ::testing::UnitTest::GetInstance()->current_test_info()->name();
        station_ = e2e::make_station(e2e::built_builds().front(), "drive_size_" + name);
        real_tool_ = e2e::with_real_program(station_);
    }

    void expect_refused(const e2e::RunResult& result) {
        EXPECT_EQ(result.exit_code, 1);
        EXPECT_TRUE(result.out.starts_with(REFUSAL)) << result.out;
        EXPECT_EQ(e2e::fail_records(result), std::vector<std::string>{REFUSAL_RECORD});
    }

    e2e::Station station_;
    e2e::RunOptions real_tool_;
};

TEST_F(DriveSize, ADiskOfAnyOtherSizeIsRefusedUntouched) {
    const struct {
        const char* what;
        uint64_t bytes;
    } disks[] = {
        {"a stick's image", 4u << 20},
        {"one sector short of the tested area", SMALLEST_DRIVE - 512},
        {"one sector beyond the 64 MiB fitted", LARGEST_DRIVE + 512},
        {"a station disk's image", 1ull << 30},
    };
    const std::string drive = e2e::drive_file(station_);
    for (const auto& disk : disks) {
        SCOPED_TRACE(disk.what);
        make_disk(drive, disk.bytes);
        expect_refused(e2e::run(station_, {"1"}, real_tool_));
        EXPECT_TRUE(untouched(drive, disk.bytes)) << "the disk was written";
    }
}

// Both ends of the range are a drive in factory mode: the run goes on to
// the drive (which a file is not, so it fails there).
TEST_F(DriveSize, TheDisksOfADriveInFactoryModeAreWritten) {
    const std::string drive = e2e::drive_file(station_);
    for (const uint64_t bytes : {SMALLEST_DRIVE, LARGEST_DRIVE}) {
        SCOPED_TRACE(bytes);
        make_disk(drive, bytes);
        const e2e::RunResult result = e2e::run(station_, {"1"}, real_tool_);
        EXPECT_EQ(result.out.find(REFUSAL), std::string::npos) << result.out;
        EXPECT_NE(result.out.find("Size of SDRAM is"), std::string::npos) << result.out;
        EXPECT_FALSE(untouched(drive, bytes)) << "the disk was not written";
    }
}

// A block device tells its size through the kernel, not through a file
// size: a loop device over a stick's image is refused the same.
TEST_F(DriveSize, ALoopDeviceOfAnotherSizeIsRefusedUntouched) {
    const std::string image = station_.dir + "/stick.img";
    make_disk(image, 4u << 20);
    const std::string device_file = station_.dir + "/loop_device";
    if (std::system(("losetup -f --show " + image + " >" + device_file + " 2>/dev/null").c_str()) != 0) {
        GTEST_SKIP() << "loop devices cannot be attached here";
    }
    std::string device;
    std::ifstream(device_file) >> device;
    fs::create_symlink(device, e2e::drive_file(station_));
    const e2e::RunResult result = e2e::run(station_, {"1"}, real_tool_);
    EXPECT_EQ(std::system(("losetup -d " + device).c_str()), 0);
    expect_refused(result);
    EXPECT_TRUE(untouched(image, 4u << 20)) << "the disk was written";
}

}  // namespace

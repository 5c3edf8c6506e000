// The physical-drive calls on a scratch file standing in for the drive.
#include "platform/disk.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <future>
#include <string>
#include <thread>

#include "platform/memory.h"

namespace {

constexpr uint32_t SECTOR_BYTES = 512;
constexpr uint32_t DRIVE_SECTORS = 16;

struct ScratchDrive : testing::Test {
    std::string path = testing::TempDir() + "scratch_drive.bin";
    uint8_t* buffer = static_cast<uint8_t*>(platform::aligned_allocate(4 * SECTOR_BYTES));

    void SetUp() override {
        std::FILE* file = std::fopen(path.c_str(), "wb");
        ASSERT_NE(file, nullptr);
        const std::string zeros(DRIVE_SECTORS * SECTOR_BYTES, '\0');
        std::fwrite(zeros.data(), 1, zeros.size(), file);
        std::fclose(file);
    }
    void TearDown() override {
        platform::aligned_release(buffer);
        std::remove(path.c_str());
    }
};

TEST_F(ScratchDrive, SectorsWrittenAtAPositionReadBackThereAndNowhereElse) {
    const platform::DiskHandle disk = platform::disk_open(path.c_str());
    ASSERT_NE(disk, platform::INVALID_DISK_HANDLE);
    for (uint32_t i = 0; i < 2 * SECTOR_BYTES; ++i) {
        buffer[i] = static_cast<uint8_t>(i * 7 + 1);
    }
    ASSERT_TRUE(platform::disk_set_position(disk, 5 * SECTOR_BYTES));
    ASSERT_TRUE(platform::disk_write(disk, buffer, 2 * SECTOR_BYTES));
    // The position advanced past the two sectors written.
    std::memset(buffer, 0xA5, 4 * SECTOR_BYTES);
    ASSERT_TRUE(platform::disk_write(disk, buffer, SECTOR_BYTES));

    std::memset(buffer, 0, 4 * SECTOR_BYTES);
    ASSERT_TRUE(platform::disk_set_position(disk, 4 * SECTOR_BYTES));
    ASSERT_TRUE(platform::disk_read(disk, buffer, 4 * SECTOR_BYTES));
    for (uint32_t i = 0; i < SECTOR_BYTES; ++i) {
        ASSERT_EQ(buffer[i], 0) << "sector 4 byte " << i;
        ASSERT_EQ(buffer[SECTOR_BYTES + i], static_cast<uint8_t>(i * 7 + 1)) << "sector 5 byte " << i;
        ASSERT_EQ(buffer[3 * SECTOR_BYTES + i], 0xA5) << "sector 7 byte " << i;
    }
    platform::disk_close(disk);
}

TEST_F(ScratchDrive, AFileStandingInForADriveHasTheLengthOfTheFile) {
    const platform::DiskHandle disk = platform::disk_open(path.c_str());
    ASSERT_NE(disk, platform::INVALID_DISK_HANDLE);
    uint64_t bytes = 0;
    EXPECT_TRUE(platform::disk_size(disk, &bytes));
    EXPECT_EQ(bytes, DRIVE_SECTORS * SECTOR_BYTES);
    platform::disk_close(disk);
}

TEST_F(ScratchDrive, ATransferThatRunsPastTheEndFails) {
    const platform::DiskHandle disk = platform::disk_open(path.c_str());
    ASSERT_NE(disk, platform::INVALID_DISK_HANDLE);
    ASSERT_TRUE(platform::disk_set_position(disk, (DRIVE_SECTORS - 1) * SECTOR_BYTES));
    EXPECT_FALSE(platform::disk_read(disk, buffer, 2 * SECTOR_BYTES));
    platform::disk_close(disk);
}

TEST_F(ScratchDrive, OnlyAnExistingDriveOpensAndItStaysShared) {
    const std::string missing = testing::TempDir() + "no_such_drive.bin";
    EXPECT_EQ(platform::disk_open(missing.c_str()), platform::INVALID_DISK_HANDLE);
    std::FILE* created = std::fopen(missing.c_str(), "rb");
    EXPECT_EQ(created, nullptr) << "opening a missing drive created it";
    if (created != nullptr) {
        std::fclose(created);
        std::remove(missing.c_str());
    }
    EXPECT_EQ(platform::disk_open("\\\\.\\PHYSICALDRIVE99"), platform::INVALID_DISK_HANDLE);

    const platform::DiskHandle first = platform::disk_open(path.c_str());
    const platform::DiskHandle second = platform::disk_open(path.c_str());
    EXPECT_NE(first, platform::INVALID_DISK_HANDLE);
    EXPECT_NE(second, platform::INVALID_DISK_HANDLE);
    platform::disk_close(second);
    platform::disk_close(first);
}

// A second run's view: another owner (a thread here, a process at a
// station) holds the drive's mutex, and the drive is refused before it is
// opened. Once the owner lets go, the claim is the run's; drive 77 is then
// simply not there.
TEST(DriveClaim, ADriveWhoseMutexAnotherOwnerHoldsIsRefused) {
    const char* drive = "\\\\.\\PHYSICALDRIVE77";
    std::promise<void> held;
    std::promise<void> let_go;
    std::thread owner([&] {
        const HANDLE mutex = ::CreateMutexA(nullptr, TRUE, "Global\\prodtool PHYSICALDRIVE77");
        held.set_value();
        let_go.get_future().wait();
        ::ReleaseMutex(mutex);
        ::CloseHandle(mutex);
    });
    held.get_future().wait();
    EXPECT_EQ(platform::disk_open(drive), platform::BUSY_DISK_HANDLE);
    EXPECT_EQ(platform::disk_open("\\\\?\\physicaldrive77"), platform::BUSY_DISK_HANDLE);
    let_go.set_value();
    owner.join();
    EXPECT_EQ(platform::disk_open(drive), platform::INVALID_DISK_HANDLE);
}

}  // namespace

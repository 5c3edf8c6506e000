#include "platform/station_disk_rule.h"

#include <gtest/gtest.h>

#include <optional>
#include <vector>

namespace {

using platform::disk_to_check;
using platform::physical_drive_number;
using platform::volume_lies_on_disk;

TEST(StationDiskRule, PhysicalDrivePathsNameTheirDiskAndNothingElseDoes) {
    const struct {
        const char* path;
        std::optional<uint32_t> disk;
    } cases[] = {
        {"\\\\.\\PHYSICALDRIVE0", 0},
        {"\\\\.\\PHYSICALDRIVE17", 17},
        {"\\\\.\\PhysicalDrive3", 3},
        {"\\\\?\\PHYSICALDRIVE2", 2},
        {"\\\\.\\PHYSICALDRIVE4294967295", 4294967295u},
        {"\\\\.\\PHYSICALDRIVE4294967296", std::nullopt},
        {"\\\\.\\PHYSICALDRIVE", std::nullopt},
        {"\\\\.\\PHYSICALDRIVE1x", std::nullopt},
        {"\\\\.\\PHYSICALDRIVE-1", std::nullopt},
        {"\\\\.\\PHYSICALDRIV", std::nullopt},
        {"\\\\.\\C:", std::nullopt},
        {"PHYSICALDRIVE1", std::nullopt},
        {"C:\\stations\\PHYSICALDRIVE1", std::nullopt},
        {"\\\\server\\PHYSICALDRIVE1", std::nullopt},
        {"", std::nullopt},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.path);
        EXPECT_EQ(physical_drive_number(c.path), c.disk);
    }
}

TEST(StationDiskRule, TheSystemsAnswerWinsAndAnUnansweredDriveIsCheckedByItsPath) {
    EXPECT_EQ(disk_to_check("\\\\.\\PHYSICALDRIVE2", 2), 2u);
    EXPECT_EQ(disk_to_check("\\\\.\\PHYSICALDRIVE2", 5), 5u);
    EXPECT_EQ(disk_to_check("\\\\.\\PHYSICALDRIVE2", std::nullopt), 2u);
    // A file answers with the disk it is stored on, and is no drive of its own.
    EXPECT_EQ(disk_to_check("C:\\scratch_drive.bin", 0), std::nullopt);
    EXPECT_EQ(disk_to_check("C:\\scratch_drive.bin", std::nullopt), std::nullopt);
}

TEST(StationDiskRule, AVolumeLiesOnItsDeviceDiskAndOnTheDisksOfItsExtents) {
    const std::vector<uint32_t> none;
    const std::vector<uint32_t> spanned = {0, 3, 3, 1};
    const std::vector<uint32_t> single = {7};
    const struct {
        std::optional<uint32_t> device_disk;
        const std::vector<uint32_t>& extents;
        uint32_t disk;
        bool lies_on;
    } cases[] = {
        {2, none, 2, true},  // a partition that answers no extents
        {2, none, 1, false},
        {std::nullopt, spanned, 3, true},  // a volume over several disks
        {std::nullopt, spanned, 1, true},  // its last extent
        {std::nullopt, spanned, 2, false},
        {std::nullopt, none, 0, false},  // a volume that answers nothing
        {0, spanned, 3, true},           // either answer names the disk
        {7, single, 7, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "disk " << c.disk << ", " << c.extents.size() << " extents");
        EXPECT_EQ(volume_lies_on_disk(c.device_disk, c.extents, c.disk), c.lies_on);
    }
}

}  // namespace

#include "platform/posix/mount_table.h"

#include <gtest/gtest.h>

#include <string>

namespace {

struct MountCase {
    const char* line;
    bool parsed;
    uint32_t major, minor;
    const char* mount_point;
    const char* source;
};

TEST(MountTable, ReadsDeviceMountPointAndSourceOfEachLine) {
    const std::string long_point(300, 'p');
    const MountCase cases[] = {
        {"36 35 98:0 /mnt1 /mnt2 rw,noatime master:1 - ext3 /dev/root rw,errors=continue\n", true, 98, 0,
         "/mnt2", "/dev/root"},
        // No optional fields, several, and a mount point with an escaped blank.
        {"29 1 8:17 / /boot rw - vfat /dev/sdb1 rw", true, 8, 17, "/boot", "/dev/sdb1"},
        {"30 1 259:3 / /data\\040disk rw shared:5 master:2 propagate_from:1 - xfs /dev/nvme0n1p3 rw\n", true,
         259, 3, "/data\\040disk", "/dev/nvme0n1p3"},
        {"22 28 0:21 / /proc rw,relatime - proc proc rw\n", true, 0, 21, "/proc", "proc"},
        // Not mount entries.
        {"", false, 0, 0, "", ""},
        {"29 1 8x17 / /boot rw - vfat /dev/sdb1 rw", false, 0, 0, "", ""},
        {"29 1 8:17 / /boot rw vfat /dev/sdb1 rw", false, 0, 0, "", ""},
        {"29 1 8:17 / /boot rw -", false, 0, 0, "", ""},
    };
    for (const MountCase& c : cases) {
        SCOPED_TRACE(c.line);
        platform::MountEntry entry{};
        ASSERT_EQ(platform::parse_mount_line(c.line, &entry), c.parsed);
        if (c.parsed) {
            EXPECT_EQ(entry.major, c.major);
            EXPECT_EQ(entry.minor, c.minor);
            EXPECT_STREQ(entry.mount_point, c.mount_point);
            EXPECT_STREQ(entry.source, c.source);
        }
    }
    // An over-long field is cut to the room, and the fields after it still count.
    platform::MountEntry entry{};
    ASSERT_TRUE(platform::parse_mount_line(("1 1 7:0 / /" + long_point + " rw - ext2 /dev/loop0 rw").c_str(),
                                           &entry));
    EXPECT_EQ(std::string(entry.mount_point), ("/" + long_point).substr(0, sizeof entry.mount_point - 1));
    EXPECT_STREQ(entry.source, "/dev/loop0");
}

}  // namespace

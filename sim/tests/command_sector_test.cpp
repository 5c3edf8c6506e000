#include <gtest/gtest.h>

#include "drive_fixture.h"

namespace sim::testing {
namespace {

struct SectorCase {
    const char* name;
    Words (*sector)();
    bool enables;
};

// What the boot code does with an enable-factory-mode sector as a station
// could get it wrong.
TEST(EnableFactoryMode, AcceptsOnlyASectorThatChecks) {
    const SectorCase cases[] = {
        {"valid", [] { return enable_sector(); }, true},
        {"pair index 38, overwritten by the sum word", [] { return enable_sector(38); }, true},
        {"sum off by one",
         [] {
             Words w = enable_sector();
             ++w[100];
             return w;
         },
         false},
        {"pair words broken, sum kept",
         [] {
             Words w = enable_sector();
             ++w[30];
             --w[50];
             return w;
         },
         false},
        {"pair index out of range",
         [] {
             Words w = enable_sector();
             w[31] += 100;
             w[38] -= 100;
             return w;
         },
         false},
        {"wrong word 36",
         [] {
             Words w = enable_sector();
             ++w[36];
             --w[38];
             return w;
         },
         false},
    };
    for (const SectorCase& c : cases) {
        SCOPED_TRACE(c.name);
        std::unique_ptr<Drive> drive = make_drive(1);
        send(*drive, c.sector());
        EXPECT_EQ(drive->power.mode == DriveMode::factory, c.enables);
        EXPECT_EQ(drive->violation_count, c.enables ? 0u : 1u);
    }
}

TEST(CommandSector, NothingRunsBeforeEnableOrAfterDeviceReset) {
    std::unique_ptr<Drive> drive = make_drive(1);
    write_reg(*drive, 0x40000800, 0x5555);
    EXPECT_EQ(drive->violation_count, 1u);
    EXPECT_NE(drive->violations[0].what.find("before factory mode"), std::string::npos);

    send(*drive, enable_sector());
    send(*drive, command(CMD_RESET_DEVICE));
    send(*drive, command(CMD_FLASH_SYNC));
    send(*drive, enable_sector());
    EXPECT_EQ(drive->violation_count, 3u);
    EXPECT_EQ(drive->power.mode, DriveMode::left_factory);
    EXPECT_EQ(drive->violations[2].command, 5u);
}

TEST(CommandSector, CheckPairThatDoesNotSumToZeroIsRejected) {
    std::unique_ptr<Drive> drive = make_drive(1);
    send(*drive, enable_sector());
    Words w = command(CMD_WRITE_REG);
    w[27] = 0x40000800;
    w[28] = 0xABCD;
    w[2] = 5;
    w[29] = 0xFFFFFFFA;  // -6
    uint8_t bytes[SECTOR];
    for (uint32_t n = 0; n < 128; ++n) {
        store_le32(bytes + 4 * n, w[n]);
    }
    disk_write(*drive, 0, bytes, SECTOR);
    EXPECT_EQ(drive->violation_count, 1u);
    EXPECT_NE(read_reg(*drive, 0x40000800), 0xABCDu);
}

TEST(CommandSector, WritesAwayFromSectorZeroExecuteNothing) {
    std::unique_ptr<Drive> drive = make_drive(1);
    const std::vector<uint8_t> data(SECTOR * 3, 0x0B);
    ASSERT_TRUE(disk_write(*drive, SECTOR, data.data(), static_cast<uint32_t>(data.size())));
    EXPECT_EQ(drive->counters.commands, 0u);
    EXPECT_EQ(read_disk(*drive, SECTOR, SECTOR * 3), data);
}

TEST(CommandSector, TransfersOutsideTheDiskFail) {
    std::unique_ptr<Drive> drive = make_drive(1);
    uint8_t sector[SECTOR] = {};
    EXPECT_TRUE(disk_write(*drive, DISK_BYTES - SECTOR, sector, SECTOR));
    EXPECT_FALSE(disk_write(*drive, DISK_BYTES, sector, SECTOR));
    std::vector<uint8_t> two(2 * SECTOR);
    EXPECT_FALSE(disk_read(*drive, DISK_BYTES - SECTOR, two.data(), 2 * SECTOR));
    EXPECT_FALSE(disk_write(*drive, 100, sector, SECTOR));
}

TEST(NormalModeJumper, DriveIsAPlainDisk) {
    std::unique_ptr<Drive> drive = make_drive(1);
    drive->config.factory_jumper = false;
    send(*drive, enable_sector());
    EXPECT_EQ(drive->power.mode, DriveMode::locked);
    EXPECT_EQ(drive->counters.commands, 0u);
    // A register read returns the command itself: the probe sees no answer.
    EXPECT_EQ(read_reg(*drive, 0x40000800), CMD_READ_REG);
}

// The size probe's three questions against each fitted SDRAM size.
int probe(Drive& drive) {
    write_reg(drive, 0x40000800, 0);
    write_reg(drive, 0x40000C00, 0x16161616);
    if (read_reg(drive, 0x40000800) == 0x16161616) {
        return 0;
    }
    write_reg(drive, 0x40000800, 0);
    write_reg(drive, 0x42000800, 0x32323232);
    if (read_reg(drive, 0x42000800) != 0x32323232) {
        return 1;
    }
    return read_reg(drive, 0x40000800) == 0x32323232 ? 1 : 2;
}

TEST(Sdram, AliasingMatchesTheFittedSize) {
    const struct {
        uint32_t mb;
        int code;
    } cases[] = {{16, 0}, {32, 1}, {64, 2}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.mb);
        std::unique_ptr<Drive> drive = make_drive(1);
        drive->config.sdram_mb = c.mb;
        send(*drive, enable_sector());
        EXPECT_EQ(probe(*drive), c.code);
        EXPECT_EQ(drive->violation_count, 0u);
    }
}

TEST(Registers, UnknownAddressIsAViolation) {
    std::unique_ptr<Drive> drive = ready_drive();
    read_reg(*drive, 0x60001000);
    write_reg(*drive, 0x600007A4, 1);
    EXPECT_EQ(drive->violation_count, 2u);
}

TEST(FlashController, ResetChecksTheDrivesOwnWords) {
    std::unique_ptr<Drive> drive = make_drive(1);
    send(*drive, enable_sector());
    flash_op(*drive, {.sub_op = FOP_RESET, .bank = 0});
    EXPECT_EQ(drive->violation_count, 1u);  // before the controller reset

    Words w = command(CMD_RESET_FLASH_CTRL);
    w[14] = drive->config.ctrl_config_big;
    w[15] = 0x55FFFFFF;
    w[16] = drive->config.flash_if_word ^ 0x11;
    send(*drive, w);
    EXPECT_EQ(drive->violation_count, 2u);
    EXPECT_FALSE(drive->power.controller_reset);

    w[16] = drive->config.flash_if_word;
    send(*drive, w);
    EXPECT_EQ(drive->violation_count, 2u);
    EXPECT_TRUE(drive->power.big_ecc);
}

}  // namespace
}  // namespace sim::testing

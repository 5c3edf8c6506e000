// The drive's boot verdict in the model: the unscrambling of host-encoded
// sectors with the controller's known masks, and when the verdict is taken.
// Complete production runs and damaged drives are judged in tests/e2e.
#include <gtest/gtest.h>

#include <algorithm>

#include "drive_fixture.h"
#include "model/verdict.h"

namespace sim::testing {
namespace {

TEST(BootVerdict, UnscramblesWithTheSectorsSeed) {
    // An all-zero sector scrambled with seed 0x1157 starts with these words.
    const uint16_t scrambled_start[6] = {0xAF19, 0x5708, 0xF991, 0x7D1D, 0x0042, 0x8113};
    struct Case {
        const char* name;
        uint32_t seed;
        bool zero;
    };
    const Case cases[] = {
        {"its seed", 0x1157, true},
        {"only 15 bits of a seed count", 0x9157, true},
        {"another seed", 0x3485, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        uint8_t sector[SECTOR] = {};
        for (uint32_t w = 0; w < 6; ++w) {
            store_le16(sector + 2 * w, scrambled_start[w]);
        }
        uint8_t data[SECTOR];
        descramble_sector(sector, c.seed, data);
        const bool zero = std::all_of(data, data + 12, [](uint8_t b) { return b == 0; });
        EXPECT_EQ(zero, c.zero);
    }
    uint8_t zeros[SECTOR] = {}, data[SECTOR];
    descramble_sector(zeros, 0, data);
    EXPECT_TRUE(std::all_of(data, data + SECTOR, [](uint8_t b) { return b == 0; })) << "seed 0 masks nothing";
}

TEST(BootVerdict, TakenAtTheDeviceResetWithTheFirstReason) {
    std::unique_ptr<Drive> drive = ready_drive();
    EXPECT_TRUE(drive->boot_verdict.empty());
    send(*drive, command(CMD_RESET_DEVICE));
    EXPECT_EQ(drive->boot_verdict, "stamp: bank 0 low chip block 0 page 4 is erased");
    EXPECT_EQ(judge_boot(*drive), drive->boot_verdict);

    // The stamp is read with Big ECC.
    std::unique_ptr<Drive> other = ready_drive();
    program(*other, 0, 4, std::vector<uint8_t>(2048, 0));
    EXPECT_EQ(judge_boot(*other), "stamp: bank 0 low chip block 0 page 4 is normal ECC, not Big ECC");
}

}  // namespace
}  // namespace sim::testing

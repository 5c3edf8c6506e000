// The words each build resets the flash controller with, typed in from the
// build tables rather than read from the build's own parameter set, so that
// a wrong parameter cannot confirm itself.
#include <gtest/gtest.h>

#include "host_actions/controller_actions.h"
#include "little_endian.h"
#include "support/work_block_fixture.h"

namespace {

struct ControllerWords {
    uint32_t normal_ecc;
    uint32_t big_ecc;
    uint32_t interface;
};

// Builds 1 to 5.
constexpr ControllerWords BUILD_TABLE[] = {
    {0xC1C00501, 0xC1C02501, 0x18},   {0xC1C01501, 0xC1C02501, 0x11},   {0xC1C00100, 0xC1C02101, 0x2010},
    {0xC1C00501, 0xC1C02501, 0x3010}, {0xC1C00501, 0xC1C02501, 0x3010},
};

using ControllerReset = WorkBlockTest;

TEST_F(ControllerReset, CarriesTheWordsOfTheBuildTable) {
    const ControllerWords& expected = BUILD_TABLE[PRODTOOL_BUILD - 1];
    for (const bool big_ecc : {false, true}) {
        recording_disk_reset();
        reset_flash_controller(big_ecc);
        ASSERT_EQ(recording_disk.transfers.size(), 1u);
        const uint8_t* sector = recording_disk.transfers[0].data.data();
        EXPECT_EQ(load_le32(sector + 4 * 0), 7u);
        EXPECT_EQ(load_le32(sector + 4 * 14), big_ecc ? expected.big_ecc : expected.normal_ecc) << big_ecc;
        EXPECT_EQ(load_le32(sector + 4 * 15), 0x55FFFFFFu);
        EXPECT_EQ(load_le32(sector + 4 * 16), expected.interface);
    }
}

}  // namespace

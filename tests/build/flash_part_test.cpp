// The chip IDs this build accepts: exactly those of its own NAND part.
#include <gtest/gtest.h>

#include <cstring>

#include "host_actions/flash_id.h"
#include "selected_build.h"

namespace {

struct KnownPart {
    const char* name;
    uint16_t ids[5];
};

// Both chips of a bank answer alike: each ID byte twice.
constexpr KnownPart KNOWN_PARTS[] = {
    {"K9HCG08U1D", {0xECEC, 0xD7D7, 0xD5D5, 0x2929, 0x3838}},
    {"K9HCG08U1M", {0xECEC, 0xD7D7, 0x5555, 0xB6B6, 0x7878}},
    {"K9WBG08U1M", {0xECEC, 0xD5D5, 0x5151, 0xA6A6, 0x6868}},
    {"JS29F64G08FAM", {0x8989, 0xD7D7, 0xD5D5, 0x3E3E, 0x7878}},
};

TEST(FlashPart, OnlyTheBuildsOwnPartIsAccepted) {
    bool own_part_known = false;
    for (const KnownPart& part : KNOWN_PARTS) {
        const bool own = std::strcmp(part.name, BUILD.nand_part) == 0;
        own_part_known = own_part_known || own;
        EXPECT_EQ(check_flash_id(part.ids), own ? FLASH_ID_EXPECTED : FLASH_ID_WRONG) << part.name;
    }
    EXPECT_TRUE(own_part_known) << BUILD.nand_part;
}

}  // namespace

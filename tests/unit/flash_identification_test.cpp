#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "host_actions/bank_geometry.h"
#include "host_actions/bank_names.h"
#include "host_actions/flash_id.h"
#include "support/answering_drive.h"
#include "support/example_plugin.h"

namespace {

TEST(BankNames, EveryFormatNamesNumberChannelAndChipEnable) {
    const struct {
        const char* format;
        uint32_t bank;
        const char* expected;
    } cases[] = {
        {BANK_HEADING_NAME, 0, "bank 0(A0)"},  {BANK_HEADING_NAME, 11, "bank 11(D2)"},
        {BANK_LOG_NAME, 31, "Bank 31(D7)"},    {BANK_LOG_NAME, 9, "Bank 09(B2)"},
        {BANK_CONSOLE_NAME, 4, "bank 04(A1)"}, {BANK_AFTER_MESSAGE_LINE, 30, "bank 30=C7\t\n"},
        {BANK_TIMING_ROW_NAME, 18, "18(C4)"},
    };
    for (const auto& c : cases) {
        char text[32];
        std::snprintf(text, sizeof text, c.format, BANK_NAME_ARGS(c.bank));
        EXPECT_STREQ(text, c.expected);
    }
}

TEST(BankGeometry, ExpectedBanksAndRowsOfTheReferenceBuild) {
    for (uint32_t bank : {0u, 3u, 8u, 11u, 32u, 43u}) {
        EXPECT_TRUE(is_expected_bank(bank)) << bank;
    }
    for (uint32_t bank : {4u, 7u, 12u, 31u, 36u}) {
        EXPECT_FALSE(is_expected_bank(bank)) << bank;
    }
    EXPECT_EQ(page_row(8191, 127), 0xFFFFFu);
    EXPECT_EQ(page_row(1, 0), 128u);
}

class CheckFlashId : public testing::Test {
  protected:
    void SetUp() override {
        clear_log_buffer();
        load_example_plugin();
    }
    void TearDown() override {
        station_log_finish();
        clear_log_buffer();
    }
};

TEST_F(CheckFlashId, ResultsAndTheirTrailLines) {
    const struct {
        ChipIds ids;
        FlashIdResult result;
        const char* trail;
    } cases[] = {
        {REFERENCE_CHIPS, FLASH_ID_EXPECTED, ""},
        {NO_CHIPS, FLASH_ID_NO_FLASH, ""},
        {{0, 0, 0, 0, 0}, FLASH_ID_NO_FLASH, ""},
        {{0xECEC, 0xD7D5, 0xD5D5, 0x2929, 0x3838},
         FLASH_ID_WRONG,
         "ERROR : Flash chip ID Error\nHigh ID = 00D7 Low ID = 00D5"},
        // Chips that disagree in the last byte are an ID error even though the
        // other words are constant.
        {{0xFFFF, 0xFFFF, 0xFFFF, 0xFFFF, 0xFF00},
         FLASH_ID_WRONG,
         "ERROR : Flash chip ID Error\nHigh ID = 00FF Low ID = 0000"},
        {{0x9898, 0xD7D7, 0xD5D5, 0x2929, 0x3838},
         FLASH_ID_WRONG,
         "ERROR : Invalid flash maker code\nCurrent Maker ID = 0098  Original Maker ID = 00EC\n"},
        {{0xECEC, 0xD7D7, 0x5555, 0xB6B6, 0x7878},
         FLASH_ID_WRONG,
         "ERROR : Invalid flash specification ID\nCurrent Spec ID = 78B655D7 Original Spec ID = 3829D5D7\n"},
        // A maker code alone, the rest constant: not an empty position.
        {{0xECEC, 0xFFFF, 0xFFFF, 0xFFFF, 0xFFFF},
         FLASH_ID_WRONG,
         "ERROR : Invalid flash specification ID\nCurrent Spec ID = FFFFFFFF Original Spec ID = 3829D5D7\n"},
    };
    for (const auto& c : cases) {
        clear_log_buffer();
        EXPECT_EQ(check_flash_id(c.ids.data()), c.result) << c.trail;
        EXPECT_EQ(std::string(log_buffer), c.trail);
    }
}

}  // namespace

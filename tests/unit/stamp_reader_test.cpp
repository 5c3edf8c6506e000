#include "host_actions/stamp_reader.h"

#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "codec/random.h"
#include "host_main/factory_commands.h"
#include "host_main/station_log.h"
#include "host_mass_production/serial_number.h"
#include "images/identity.h"
#include "little_endian.h"
#include "support/bad_block_fixture.h"
#include "support/captured_exit.h"
#include "support/doubles/fixed_entropy.h"

namespace {

constexpr uint32_t STAMP_PAGE = 4;

// A stamp page as the download writes it: the record, then 0xFF.
std::vector<uint8_t> stamp_page(const char* serial, uint32_t magic = 0xC0C2E003) {
    std::vector<uint8_t> page(2048, 0xFF);
    std::fill(page.begin(), page.begin() + 1500, 0);
    store_le32(page.data(), magic);
    std::memcpy(page.data() + 180, serial, std::strlen(serial));
    return page;
}

class StampReader : public BadBlockTest {
  protected:
    uint8_t copy[2048];

    void SetUp() override {
        BadBlockTest::SetUp();
        std::memset(copy, 0xEE, sizeof copy);
    }
    std::vector<uint32_t> banks_read() const {
        std::vector<uint32_t> banks;
        for (const BadBlockDriveCommand& c : drive.flash_ops(FOP_READ)) {
            EXPECT_EQ(c[WORD_ROW_LOW], STAMP_PAGE);
            EXPECT_EQ(c[WORD_BYTE_COUNT], 2048u);
            banks.push_back(c[WORD_BANK]);
        }
        return banks;
    }
    std::vector<uint32_t> controller_configs() const {
        std::vector<uint32_t> configs;
        for (const BadBlockDriveCommand& c : drive.commands) {
            if (c[WORD_OPCODE] == CMD_RESET_FLASH_CTRL) {
                configs.push_back(c[WORD_CTRL_CONFIG]);
            }
        }
        return configs;
    }
};

TEST_F(StampReader, FirstCleanStampIsTakenBetweenABigEccAndANormalControllerReset) {
    struct Stored {
        std::vector<uint8_t> page;
        uint8_t status;
    };
    const std::vector<uint8_t> ALL_BANKS = {0, 1, 2, 3, 8, 9, 10, 11};
    const struct {
        const char* what;
        std::map<uint32_t, Stored> pages;  // by bank; absent pages read blank
        const char* printed;
        bool valid;
        int copied_from;  // bank whose page is copied, -1 for none
        std::vector<uint32_t> banks_read;
    } cases[] = {
        {"blank then valid",
         {{1, {stamp_page("FROM BANK 1"), 0}}, {2, {stamp_page("FROM BANK 2"), 0}}},
         "bank 0=A0\t\n",
         true,
         1,
         {0, 1}},
        {"corrupted, blank, valid",
         {{0, {stamp_page("CORRUPTED"), 0x02}}, {2, {stamp_page("FROM BANK 2"), 0}}},
         "ERROR: stamp is corrupted in bank 0=A0\t\nbank 1=B0\t\n",
         true,
         2,
         {0, 1, 2}},
        {"clean without the magic stops the search",
         {{0, {stamp_page("NOT A STAMP", 0x12345678), 0}}},
         "",
         false,
         0,
         {0}},
        {"all blank",
         {},
         "bank 0=A0\t\nbank 1=B0\t\nbank 2=C0\t\nbank 3=D0\t\nbank 8=A2\t\nbank 9=B2\t\nbank 10=C2\t\n"
         "bank 11=D2\t\n",
         false,
         -1,
         {0, 1, 2, 3, 8, 9, 10, 11}},
        {"only corrupted stamps, the last with the magic",
         {{3, {stamp_page("CORRUPTED 3"), 0x80}}, {11, {stamp_page("CORRUPTED 11"), 0x02}}},
         "bank 0=A0\t\nbank 1=B0\t\nbank 2=C0\t\nERROR: stamp is corrupted in bank 3=D0\t\nbank 8=A2\t\n"
         "bank 9=B2\t\nbank 10=C2\t\nERROR: stamp is corrupted in bank 11=D2\t\n",
         false,
         11,
         {0, 1, 2, 3, 8, 9, 10, 11}},
    };
    for (const auto& c : cases) {
        drive.block_zero.clear();
        drive.commands.clear();
        for (const auto& [bank, stored] : c.pages) {
            drive.store_page(bank, STAMP_PAGE, stored.page, stored.status);
        }
        testing::internal::CaptureStdout();
        EXPECT_EQ(read_stamp(copy), c.valid) << c.what;
        EXPECT_EQ(testing::internal::GetCapturedStdout(), c.printed) << c.what;
        const std::vector<uint8_t> expected_copy =
            c.copied_from < 0 ? std::vector<uint8_t>(2048, 0xFF) : c.pages.at(c.copied_from).page;
        EXPECT_EQ(std::memcmp(copy, expected_copy.data(), 1500), 0) << c.what;
        EXPECT_EQ(copy[1500], 0xEE) << c.what << ": only the record is copied";
        EXPECT_EQ(banks_read(), c.banks_read) << c.what;
        EXPECT_EQ(controller_configs(), (std::vector<uint32_t>{0xC1C02501, 0xC1C00501})) << c.what;
        EXPECT_EQ(drive.commands.front()[WORD_OPCODE], CMD_RESET_FLASH_CTRL) << c.what;
        EXPECT_EQ(drive.commands.back()[WORD_OPCODE], CMD_RESET_FLASH_CTRL) << c.what;
        EXPECT_STREQ(log_buffer, "") << c.what;
    }
}

TEST_F(StampReader, NothingIsAskedOfTheDriveBeforeTheModuleTestAcceptedIt) {
    work->initialized = 0;
    drive.store_page(0, STAMP_PAGE, stamp_page("ANY"));
    testing::internal::CaptureStdout();
    EXPECT_FALSE(read_stamp(copy));
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "ERROR: not initialized\n");
    EXPECT_TRUE(drive.commands.empty());
    EXPECT_EQ(copy[0], 0xEE);
}

// --- the run's serial number ------------------------------------------------

class DriveSerial : public StampReader {
  protected:
    void SetUp() override {
        StampReader::SetUp();
        fixed_entropy_set({0x5A, 0x17});
    }
    void TearDown() override {
        serial_number[0] = '\0';
        fixed_entropy_set({0});
        StampReader::TearDown();
    }
    std::string settled() {
        testing::internal::CaptureStdout();
        settle_serial_number();
        const std::string printed = testing::internal::GetCapturedStdout();
        EXPECT_TRUE(printed.ends_with(std::string("serial number = ") + serial_number + "\n")) << printed;
        return serial_number;
    }
};

bool is_made_up(const std::string& serial) {
    return serial.size() == 20 &&
           serial.find_first_not_of("ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789") == std::string::npos;
}

TEST_F(DriveSerial, StoredSerialIsKeptUnlessItIsADrivePath) {
    const struct {
        const char* stored;
        uint8_t status;
        bool kept;
    } cases[] = {
        {"SN0123456789ABCDEFGH", 0, true},
        {"C:\\work\\station_dir", 0, false},
        {"D:\\produced", 0, false},
        {"C:/not-a-backslash", 0, true},
        {"E:\\another-letter", 0, true},
        {"c:\\lower-case-letter", 0, true},
        {"SN0123456789ABCDEFGH", 0x02, false},  // a corrupted stamp gives no serial
    };
    for (const auto& c : cases) {
        drive.store_page(0, STAMP_PAGE, stamp_page(c.stored), c.status);
        serial_number[0] = '\0';
        const std::string serial = settled();
        if (c.kept) {
            EXPECT_EQ(serial, std::string(c.stored).substr(0, 20)) << c.stored;
        } else {
            EXPECT_TRUE(is_made_up(serial)) << c.stored << " gave " << serial;
        }
    }
}

// A blank drive's stamp page holds no serial: the run makes one up.
TEST_F(DriveSerial, MadeUpCharacterIsALetterOrDigitChosenByTheStationsEntropy) {
    const struct {
        std::vector<uint8_t> bytes;  // one character's, repeated for the whole serial
        char expected;
    } cases[] = {
        {{0x00, 0}, 'A'},      {{0x00, 25}, 'Z'},
        {{0x00, 26}, 'A'},     {{0x00, 233}, 'Z'},  // the last byte that divides evenly among 26 letters
        {{0x00, 234, 7}, 'H'}, {{0x00, 255, 250, 1}, 'B'},
        {{0xFE, 3}, 'D'},  // any even byte chooses a letter
        {{0x01, 0}, '0'},      {{0x01, 9}, '9'},
        {{0x01, 17}, '7'},     {{0x01, 249}, '9'},     // the last byte that divides evenly among 10 digits
        {{0x01, 250, 4}, '4'}, {{0xFF, 255, 6}, '6'},  // any odd byte chooses a digit
    };
    for (const auto& c : cases) {
        fixed_entropy_set(c.bytes);
        serial_number[0] = '\0';
        EXPECT_EQ(settled(), std::string(20, c.expected)) << testing::PrintToString(c.bytes);
    }
}

TEST_F(DriveSerial, MadeUpSerialTakesItsCharactersInTheOrderOfTheBytes) {
    fixed_entropy_set({0x02, 12, 0x03, 1, 0x04, 234, 20, 0x05, 255, 8});
    EXPECT_EQ(settled(), "M1U8M1U8M1U8M1U8M1U8");
}

// The run's generator restarts from the calendar second with every command:
// two drives started in the same second must still get serials of their own.
TEST_F(DriveSerial, MadeUpSerialDoesNotFollowTheRunsGenerator) {
    random_init(1262300399);
    fixed_entropy_set({0x00, 3});
    const std::string first = settled();
    random_init(1262300399);
    serial_number[0] = '\0';
    fixed_entropy_set({0x01, 3});
    EXPECT_EQ(first, "DDDDDDDDDDDDDDDDDDDD");
    EXPECT_EQ(settled(), "33333333333333333333");
}

TEST_F(DriveSerial, NoSerialIsMadeUpWhenTheEntropySourceFails) {
    fixed_entropy_fail();
    std::string printed;
    EXPECT_EXIT_CAPTURED(settle_serial_number(), 1, printed);
    // The stamp was looked for on every bank first.
    EXPECT_NE(printed.find("bank 11=D2\t\nERROR: no random source for a serial number\n"
                           "error at src/host_mass_production/serial_number.cpp "),
              std::string::npos)
        << printed;
}

TEST_F(DriveSerial, SerialGivenForTheRunAsksNothingOfTheDrive) {
    std::strcpy(serial_number, "GIVEN");
    testing::internal::CaptureStdout();
    settle_serial_number();
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
    EXPECT_STREQ(serial_number, "GIVEN");
    EXPECT_TRUE(drive.commands.empty());
}

}  // namespace

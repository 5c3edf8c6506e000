#include "host_mass_production/command_line.h"

#include <gtest/gtest.h>

#include <cstring>
#include <regex>
#include <string>
#include <vector>

#include "images/identity.h"
#include "support/captured_exit.h"

namespace {

class CommandLine : public testing::Test {
  protected:
    void SetUp() override {
        std::strcpy(fw_revision, "1916");
        std::memset(serial_number, 0, sizeof serial_number);
        std::memset(model_number, 0, sizeof model_number);
        std::strcpy(model_number, "MARDUVEN SKELDRIN-SATA");
    }

    static bool read(std::vector<std::string> arguments, RunOptions* options) {
        std::vector<const char*> argv{"prodtool"};
        for (const std::string& argument : arguments) {
            argv.push_back(argument.c_str());
        }
        return read_command_line(static_cast<int>(argv.size()), argv.data(), options);
    }
};

TEST_F(CommandLine, ArgumentCountOutsideOneToSevenEndsQuietly) {
    RunOptions options{};
    testing::internal::CaptureStdout();
    EXPECT_FALSE(read({}, &options));
    EXPECT_FALSE(read({"3", "L", "T", "F1", "S2", "M3", "B4", "Gy"}, &options));
    EXPECT_TRUE(read({"3", "L", "T", "F1", "S2", "M3", "Gy"}, &options));
    const std::string printed = testing::internal::GetCapturedStdout();
    EXPECT_EQ(printed, "Firmware revision = 1\nSerial number = 2\nModel number = 3\n");
}

TEST_F(CommandLine, OptionsTakeEffectByTheirFirstCharacter) {
    struct Case {
        std::vector<std::string> arguments;
        RunOptions expected;
    };
    const Case cases[] = {
        {{"0"}, {0, false, false, -1, 0}},
        {{"3x"}, {3, false, false, -1, 0}},
        {{" 12"}, {12, false, false, -1, 0}},
        {{"1", "Lx", "Tfoo"}, {1, true, true, -1, 0}},
        {{"1", "l", "t", "x"}, {1, false, false, -1, 0}},
        {{"1", "B"}, {1, false, false, 0, 0}},
        {{"1", "B7", "B12x"}, {1, false, false, 12, 0}},
        {{"1", "B100"}, {1, false, false, 100, 0}},
        {{"1", "B-0", "B+4"}, {1, false, false, 4, 0}},
        {{"4294967295"}, {4294967295u, false, false, -1, 0}},
        {{"0004294967295"}, {4294967295u, false, false, -1, 0}},
        {{"1", "Gy"}, {1, false, false, -1, 1}},
        {{"1", "GY"}, {1, false, false, -1, 1}},
        {{"1", "G"}, {1, false, false, -1, 0}},
        {{"1", "Gn"}, {1, false, false, -1, 0}},
        {{"1", "Gy", "Gx"}, {1, false, false, -1, 0}},
    };
    for (const Case& c : cases) {
        RunOptions options{};
        ASSERT_TRUE(read(c.arguments, &options)) << c.arguments[0];
        EXPECT_EQ(options.drive_number, c.expected.drive_number);
        EXPECT_EQ(options.operator_mode, c.expected.operator_mode);
        EXPECT_EQ(options.timing_test, c.expected.timing_test);
        EXPECT_EQ(options.bist_count, c.expected.bist_count);
        EXPECT_EQ(options.fragmentation, c.expected.fragmentation);
    }
}

TEST(FlashTestCount, ReadsWhatTheDriveSideTestCanRunAndRefusesTheRest) {
    const struct {
        const char* text;
        bool accepted;
        uint32_t count;
    } cases[] = {
        {"", true, 0},
        {"abc", true, 0},
        {" 7", true, 7},
        {"12x", true, 12},
        {"+3", true, 3},
        {"-0", true, 0},
        {"100", true, 100},
        {"0000100", true, 100},
        {"101", false, 0},
        {"-1", false, 0},
        {"-5", false, 0},
        {"4294967291", false, 0},
        {"4294967296", false, 0},
        {"99999999999999999999", false, 0},
    };
    for (const auto& c : cases) {
        uint32_t count = 12345;
        EXPECT_EQ(read_flash_test_count(c.text, &count), c.accepted) << c.text;
        if (c.accepted) {
            EXPECT_EQ(count, c.count) << c.text;
        }
    }
}

TEST_F(CommandLine, IdentityTextsAreCopiedOverTheDefaultsWithTheirTerminator) {
    RunOptions options{};
    testing::internal::CaptureStdout();
    ASSERT_TRUE(read({"1", "F12", "SABC123", "MABC"}, &options));
    testing::internal::GetCapturedStdout();
    EXPECT_EQ(std::memcmp(fw_revision,
                          "12\0"
                          "6",
                          4),
              0);
    EXPECT_STREQ(serial_number, "ABC123");
    EXPECT_EQ(std::memcmp(model_number,
                          "ABC\0"
                          "UVEN SKELDRIN-SATA",
                          22),
              0);
}

TEST_F(CommandLine, TextsAtTheirLimitsAreAcceptedAndEmptyOnesStored) {
    RunOptions options{};
    testing::internal::CaptureStdout();
    ASSERT_TRUE(read({"1", "F" + std::string(8, 'r'), "S" + std::string(20, 's'), "M" + std::string(40, 'm')},
                     &options));
    EXPECT_EQ(std::string(fw_revision), std::string(8, 'r'));
    EXPECT_EQ(std::string(serial_number), std::string(20, 's'));
    EXPECT_EQ(std::string(model_number), std::string(40, 'm'));
    ASSERT_TRUE(read({"1", "S", "F"}, &options));
    testing::internal::GetCapturedStdout();
    EXPECT_STREQ(serial_number, "");
    EXPECT_STREQ(fw_revision, "");
}

using CommandLineDeathTest = CommandLine;

TEST_F(CommandLineDeathTest, BadArgumentsEndWithTheirMessageAndExitCodeOne) {
    struct Case {
        std::vector<std::string> arguments;
        const char* message;
    };
    const Case cases[] = {
        {{"abc"}, "ERROR: invalid argument\n"},
        {{"", "L"}, "ERROR: invalid argument\n"},
        {{"4294967296"}, "ERROR: invalid argument\n"},
        {{"99999999999999999999999"}, "ERROR: invalid argument\n"},
        {{"-1"}, "ERROR: invalid argument\n"},
        {{"+1"}, "ERROR: invalid argument\n"},
        {{" -0"}, "ERROR: invalid argument\n"},
        {{"1", "B-5"}, "ERROR: invalid BIST count (0 to 100)\n"},
        {{"1", "B-1"}, "ERROR: invalid BIST count (0 to 100)\n"},
        {{"1", "L", "B101"}, "ERROR: invalid BIST count (0 to 100)\n"},
        {{"1", "B4294967291"}, "ERROR: invalid BIST count (0 to 100)\n"},
        {{"1", "B99999999999999999999999"}, "ERROR: invalid BIST count (0 to 100)\n"},
        {{"1", "F" + std::string(9, 'r')}, "ERROR: invalid firmware revision\n"},
        {{"1", "S" + std::string(21, 's')}, "ERROR: invalid serial number\n"},
        {{"1", "M" + std::string(41, 'm')}, "ERROR: invalid model number\n"},
        {{"1", "Fok", "S" + std::string(21, 's')}, "Firmware revision = ok\nERROR: invalid serial number\n"},
    };
    for (const Case& c : cases) {
        std::string printed;
        EXPECT_EXIT_CAPTURED(
            {
                RunOptions options{};
                read(c.arguments, &options);
            },
            1, printed);
        const std::string message = std::regex_replace(c.message, std::regex("[()]"), "\\$&");
        const std::regex expected(message +
                                  "error at src/host_mass_production/command_line\\.cpp [0-9]+\n");
        EXPECT_TRUE(std::regex_match(printed, expected)) << printed;
    }
}

}  // namespace

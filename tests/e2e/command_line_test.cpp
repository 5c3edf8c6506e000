// The command line is checked before anything touches the drive: a refused
// command line leaves the drive file exactly as it was, with no power-on.
#include <gtest/gtest.h>

#include <regex>
#include <string>
#include <vector>

#include "e2e_harness.h"

namespace {

struct CommandLineCase {
    const char* what;
    std::vector<std::string> args;
    int exit_code;
    std::string console;  // regular expression of the whole standard output
};

TEST(CommandLine, RefusedCommandLinesNeverReachTheDrive) {
    const std::string at = "error at src/host_mass_production/command_line\\.cpp [0-9]+\n";
    const CommandLineCase cases[] = {
        {"no argument", {}, 0, ""},
        {"eight arguments", {"1", "L", "T", "F1", "S2", "M3", "B4", "Gy"}, 0, ""},
        {"drive number not a number", {"abc"}, 1, "ERROR: invalid argument\n" + at},
        {"revision of 9", {"1", "F123456789"}, 1, "ERROR: invalid firmware revision\n" + at},
        {"serial of 21", {"1", "S" + std::string(21, '7')}, 1, "ERROR: invalid serial number\n" + at},
        {"model of 41 after a good serial",
         {"1", "SABC", "M" + std::string(41, 'm')},
         1,
         "Serial number = ABC\nERROR: invalid model number\n" + at},
    };
    const uint32_t build = e2e::built_builds().front();
    for (const CommandLineCase& c : cases) {
        SCOPED_TRACE(c.what);
        const e2e::Station station = e2e::make_station(build, "command_line");
        std::string error;
        ASSERT_TRUE(e2e::create_drive(station, "{\"build\": " + std::to_string(build) + "}", &error))
            << error;
        const e2e::RunResult result = e2e::run(station, c.args);
        EXPECT_EQ(result.exit_code, c.exit_code);
        EXPECT_TRUE(std::regex_match(result.out, std::regex(c.console))) << result.out;
        EXPECT_TRUE(result.records.empty()) << "the station log is not started yet";
        ASSERT_TRUE(result.drive);
        EXPECT_EQ(result.drive->counters.power_ons, 0u);
        EXPECT_EQ(result.drive->counters.commands, 0u);
    }
}

TEST(CommandLine, ProgramWithADamagedImageIsRefusedBeforeTheDrive) {
    const uint32_t build = e2e::built_builds().front();
    const e2e::Station station = e2e::make_station(build, "damaged_program");
    std::string error;
    ASSERT_TRUE(e2e::create_drive(station, "{\"build\": " + std::to_string(build) + "}", &error)) << error;
    ASSERT_TRUE(e2e::damage_embedded_firmware(station));
    const e2e::RunResult result = e2e::run(station, {"1"});
    EXPECT_EQ(result.exit_code, 1);
    EXPECT_TRUE(
        std::regex_match(result.out, std::regex("ERROR: program file is damaged\n"
                                                "error at src/host_mass_production/main\\.cpp [0-9]+\n")))
        << result.out;
    ASSERT_TRUE(result.drive);
    EXPECT_EQ(result.drive->counters.power_ons, 0u);
}

}  // namespace

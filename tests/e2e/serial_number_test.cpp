// The drive's serial number end to end: one a run makes up for a new drive is
// its own even when other runs start in the same second, and one the drive
// already carries or the station gives is kept.
#include <gtest/gtest.h>

#include <regex>
#include <string>
#include <vector>

#include "complete_run_checks.h"
#include "e2e_harness.h"

namespace {

using namespace e2e_run;

constexpr uint32_t BUILD = 1;

std::string serial_shown(const std::string& out) {
    std::smatch match;
    return std::regex_search(out, match, std::regex("serial number = ([0-9A-Z]{20})\n")) ? match[1].str()
                                                                                         : "";
}

// A complete run on a new reference drive at the harness's fixed calendar
// start; the serial it made up, as printed and as its stamp holds it.
std::string made_up_serial(const std::string& name, const std::string& entropy) {
    const e2e::Station station = e2e::make_station(BUILD, name);
    std::string error;
    EXPECT_TRUE(e2e::create_drive(station, scenario(BUILD), &error)) << error;
    const e2e::RunResult result = e2e::run(station, {"1"}, {.entropy = entropy});
    EXPECT_EQ(result.exit_code, 0) << result.out;
    expect_no_violation(result);
    const std::string serial = serial_shown(result.out);
    EXPECT_EQ(serial.size(), 20u) << result.out;
    EXPECT_EQ(result.drive ? stamp_serial(*result.drive) : "", serial);
    return serial;
}

TEST(SerialNumber, NewDrivesStartedInTheSameSecondGetSerialsOfTheirOwn) {
    const std::string first = made_up_serial("same_second_first", "");
    const std::string second = made_up_serial("same_second_second", "");
    EXPECT_NE(first, second);
}

TEST(SerialNumber, EntropySeedOfTheSimulatedStationMakesTheSerialRepeatable) {
    const std::string seeded = made_up_serial("seeded_first", "42");
    EXPECT_EQ(made_up_serial("seeded_again", "42"), seeded);
    EXPECT_NE(made_up_serial("seeded_otherwise", "43"), seeded);
}

// The later runs have no entropy source at all: a serial that is kept needs
// none.
TEST(SerialNumber, SerialOfTheStampOrOfTheCommandLineIsKept) {
    const e2e::Station station = e2e::make_station(BUILD, "serial_kept");
    std::string error;
    ASSERT_TRUE(e2e::create_drive(station, scenario(BUILD), &error)) << error;
    const e2e::RunResult produced = e2e::run(station, {"1"});
    ASSERT_EQ(produced.exit_code, 0) << produced.out;
    const std::string serial = serial_shown(produced.out);
    ASSERT_EQ(serial.size(), 20u) << produced.out;

    const e2e::RunResult reworked = e2e::run(station, {"1"}, {.entropy = "none"});
    EXPECT_EQ(reworked.exit_code, 0) << reworked.out;
    EXPECT_NE(reworked.out.find("serial number = " + serial + "\n"), std::string::npos) << reworked.out;
    ASSERT_TRUE(reworked.drive);
    EXPECT_EQ(stamp_serial(*reworked.drive), serial);

    const e2e::RunResult given = e2e::run(station, {"1", "SGIVEN-0001"}, {.entropy = "none"});
    EXPECT_EQ(given.exit_code, 0) << given.out;
    EXPECT_TRUE(given.out.starts_with("Serial number = GIVEN-0001\n")) << given.out;
    EXPECT_EQ(given.out.find("serial number = "), std::string::npos);
    ASSERT_TRUE(given.drive);
    EXPECT_EQ(stamp_serial(*given.drive), "GIVEN-0001");
    expect_no_violation(given);
}

}  // namespace

#include <gtest/gtest.h>

#include "e2e_harness.h"

namespace {

std::string test_name() {
    return ::testing::UnitTest::GetInstance()->current_test_info()->name();
}

TEST(Smoke, MissingDriveFileIsAMissingDrive) {
    for (const uint32_t build : e2e::built_builds()) {
        SCOPED_TRACE(build);
        const e2e::Station station = e2e::make_station(build, test_name() + "_b" + std::to_string(build));
        const e2e::RunResult result = e2e::run(station, {"1"});
        EXPECT_EQ(result.exit_code, 1) << result.out << result.err;
        EXPECT_NE(result.out.find("ERROR: cannot open target drive \\\\.\\PHYSICALDRIVE1\n"),
                  std::string::npos)
            << result.out;
        EXPECT_FALSE(result.drive);
    }
}

TEST(Smoke, ARunLeavesTheDriveFileAndKeepsItValid) {
    const uint32_t build = e2e::built_builds().front();
    const e2e::Station station = e2e::make_station(build, test_name());
    std::string error;
    ASSERT_TRUE(e2e::create_drive(station, "{\"build\": " + std::to_string(build) + "}", &error)) << error;
    const e2e::RunResult result = e2e::run(station, {"1"});
    ASSERT_TRUE(result.drive);
    EXPECT_EQ(result.drive->counters.power_ons, 1u) << result.out << result.err;
}

}  // namespace

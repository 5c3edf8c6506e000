#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

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

// The plug-in is looked for beside the program only while the program's path
// fits 260 characters; beyond that the run goes on without station records.
TEST(Smoke, AProgramPathLongerThan260CharactersRunsWithoutItsPlugin) {
    const std::string deep = "/" + std::string(100, 'd');
    const e2e::Station station =
        e2e::make_station(e2e::built_builds().front(), test_name() + deep + deep + deep);
    ASSERT_GT(station.dir.size() + sizeof "/prodtool-sim" - 1, 260u);
    const e2e::RunResult result = e2e::run(station, {"1"});
    EXPECT_EQ(result.exit_code, 1) << result.out;
    EXPECT_NE(result.out.find("ERROR: cannot open target drive"), std::string::npos) << result.out;
    EXPECT_TRUE(result.records.empty());
    std::ifstream debug_log(station.dir + "/debug.log");
    const std::string diagnostics((std::istreambuf_iterator<char>(debug_log)),
                                  std::istreambuf_iterator<char>());
    EXPECT_EQ(diagnostics,
              "[Host::get_application_path]Get module path fail\n[Host::load_dll_logger]Load library fail");
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

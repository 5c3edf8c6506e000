// The first two stages against drives that fail them in the ways a station
// meets: the drive must record no protocol violation on the way.
#include <gtest/gtest.h>

#include "e2e_harness.h"

namespace {

struct Case {
    const char* name;
    const char* scenario_members;  // added to {"build": N, ...}
    const char* console;           // a line the run must print
    const char* record;            // the text of the fail record
};

TEST(FirstStages, DriveFaultsEndTheRunWithTheirMessage) {
    const Case cases[] = {
        {"sdram_32mb", R"("sdram_mb": 32)", "ERROR: SDRAM size is different from set value (64 MB)\n",
         "SDRAM size is different from set value (64 MB).\nTarget drive number = 1\n"},
        {"jumper_normal", R"("jumper": "normal")", "Size of SDRAM is 32 MB\n",
         "SDRAM size is different from set value (64 MB).\nTarget drive number = 1\n"},
        {"command_write_fails", R"("faults": [{"kind": "link_write_fail", "sector": 0, "after": 3}])",
         "ERROR: no response from drive\t\t\n", "Sent to device : No response from drive\n"},
        {"wrong_maker_on_one_chip", R"("ids": [{"bank": 9, "chip": "high", "id": "98 D7 D5 29 38"}])",
         "high: 98 D7 D5 29 38 ERROR \n", nullptr},
    };
    const uint32_t build = e2e::built_builds().front();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const e2e::Station station = e2e::make_station(build, std::string("first_stages_") + c.name);
        std::string error;
        ASSERT_TRUE(e2e::create_drive(
            station, "{\"build\": " + std::to_string(build) + ", " + c.scenario_members + "}", &error))
            << error;
        const e2e::RunResult result = e2e::run(station, {"1"});
        EXPECT_EQ(result.exit_code, 1);
        EXPECT_NE(result.out.find(c.console), std::string::npos) << result.out;
        ASSERT_GE(result.records.size(), 2u);
        const e2e::StationRecord& fail = result.records[result.records.size() - 2];
        EXPECT_EQ(fail.status, 4);
        if (c.record != nullptr) {
            EXPECT_EQ(fail.text, c.record);
        }
        EXPECT_EQ(result.records.back().call, "finalize");
        ASSERT_TRUE(result.drive);
        EXPECT_EQ(result.drive->violation_count, 0u) << e2e::violations_text(*result.drive);
    }
}

}  // namespace

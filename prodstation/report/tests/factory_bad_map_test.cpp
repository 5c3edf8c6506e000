// The heat map's cells: the mean share per bank position and chip.
#include "factory_bad_map.h"

#include <gtest/gtest.h>

#include "report_fixture.h"
#include "svg_heat_map.h"

namespace station_report {
namespace {

RunRecord run_with(const std::vector<FactoryBad>& factory_bad) {
    RunRecord run = make_run(1, Outcome::produced);
    run.factory_bad = factory_bad;
    return run;
}

TEST(FactoryBadMap, MeanAndHighestPerBankPositionAndChip) {
    const std::vector<RunRecord> runs = {
        run_with({{0, Chip::low, 12, 0.15}, {0, Chip::high, 9, 0.11}, {31, Chip::high, 80, 0.98}}),
        run_with({{0, Chip::low, 20, 0.25}, {5, Chip::high, 90, 1.10}}),
        make_run(2, Outcome::failed),  // failed before the scan
    };
    const FactoryBadMap map = factory_bad_map(runs);
    const HeatCell& bank0_low = map.cell(Chip::low, 0);
    EXPECT_EQ(bank0_low.runs, 2U);
    EXPECT_DOUBLE_EQ(*bank0_low.mean(), 0.2);
    EXPECT_DOUBLE_EQ(bank0_low.percent_max, 0.25);
    EXPECT_DOUBLE_EQ(*map.cell(Chip::high, 0).mean(), 0.11);
    EXPECT_DOUBLE_EQ(*map.cell(Chip::high, 31).mean(), 0.98);
    EXPECT_FALSE(map.cell(Chip::low, 5).mean()) << "the high chip's entry is not the low chip's";
    EXPECT_FALSE(map.cell(Chip::low, 1).mean());
    EXPECT_DOUBLE_EQ(map.highest_mean(), 1.10);
}

TEST(FactoryBadMap, IgnoresBanksBeyondThePositions) {
    const FactoryBadMap map =
        factory_bad_map({run_with({{32, Chip::low, 1, 50.0}, {4000, Chip::high, 1, 50.0}})});
    EXPECT_DOUBLE_EQ(map.highest_mean(), 0);
}

TEST(FactoryBadMap, NamesPositionsByChannelAndChipEnable) {
    const std::pair<unsigned, const char*> cases[] = {
        {0, "A0"}, {3, "D0"}, {4, "A1"}, {13, "B3"}, {31, "D7"}};
    for (const auto& [bank, name] : cases) {
        EXPECT_EQ(bank_position(bank), name);
    }
}

TEST(FactoryBadMap, ColourScaleRunsFromWhiteToDarkRedAndClamps) {
    EXPECT_EQ(heat_colour(0, 2.0), "#ffffff");
    EXPECT_EQ(heat_colour(1.0, 2.0), "#fdae3c");
    EXPECT_EQ(heat_colour(2.0, 2.0), "#a50f15");
    EXPECT_EQ(heat_colour(9.0, 2.0), "#a50f15");
    EXPECT_EQ(heat_colour(0.5, 0), "#ffffff");
}

}  // namespace
}  // namespace station_report

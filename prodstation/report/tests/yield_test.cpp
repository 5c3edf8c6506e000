// Counting outcomes per port and over time, and what the yield counts.
#include "yield.h"

#include <gtest/gtest.h>

#include "report_fixture.h"

namespace station_report {
namespace {

TEST(Yield, CountsOnlyDrivesThatGotAVerdict) {
    Tally tally;
    EXPECT_FALSE(tally.yield());
    for (Outcome outcome : {Outcome::timing_test_done, Outcome::cut_short}) {
        tally.add(outcome);
    }
    EXPECT_FALSE(tally.yield()) << "a timing test or a cut-short run is no verdict";
    for (Outcome outcome : {Outcome::produced, Outcome::produced, Outcome::produced, Outcome::failed}) {
        tally.add(outcome);
    }
    EXPECT_EQ(tally.runs(), 6U);
    EXPECT_DOUBLE_EQ(*tally.yield(), 0.75);
}

TEST(Yield, PerPortInDriveNumberOrder) {
    const std::vector<RunRecord> runs = {make_run(10, Outcome::produced), make_run(2, Outcome::failed),
                                         make_run(10, Outcome::failed),   make_run(2, Outcome::produced),
                                         make_run(10, Outcome::produced), make_run(3, Outcome::cut_short)};
    const auto ports = tally_per_port(runs);
    ASSERT_EQ(ports.size(), 3U);
    struct Expected {
        const char* label;
        unsigned produced, failed, cut_short;
    };
    const Expected expected[] = {{"2", 1, 1, 0}, {"3", 0, 0, 1}, {"10", 2, 1, 0}};
    for (size_t i = 0; i < ports.size(); ++i) {
        EXPECT_EQ(ports[i].label, expected[i].label);
        EXPECT_EQ(ports[i].tally.produced, expected[i].produced) << expected[i].label;
        EXPECT_EQ(ports[i].tally.failed, expected[i].failed) << expected[i].label;
        EXPECT_EQ(ports[i].tally.cut_short, expected[i].cut_short) << expected[i].label;
    }
}

TEST(Yield, HourlyByEndTimeWithEmptyHoursKept) {
    const std::vector<RunRecord> runs = {make_run(1, Outcome::produced, "2026-12-11T23:59:59Z"),
                                         make_run(1, Outcome::failed, "2026-12-11T22:00:00Z"),
                                         make_run(2, Outcome::produced, "2026-12-12T01:10:00Z"),
                                         make_run(2, Outcome::produced, "2026-12-11T22:59:59Z")};
    const auto hours = tally_over_time(runs);
    ASSERT_EQ(hours.size(), 4U);
    EXPECT_EQ(hours[0].label, "22:00\n2026-12-11");
    EXPECT_EQ(hours[0].tally.produced, 1U);
    EXPECT_EQ(hours[0].tally.failed, 1U);
    EXPECT_EQ(hours[1].tally.runs(), 1U);
    EXPECT_EQ(hours[2].label, "00:00\n2026-12-12");
    EXPECT_EQ(hours[2].tally.runs(), 0U);
    EXPECT_EQ(hours[3].label, "01:00\n2026-12-12");
    EXPECT_EQ(hours[3].tally.produced, 1U);
}

TEST(Yield, DailyWhenTheRunsSpanMoreThanTwoDays) {
    const std::vector<RunRecord> runs = {make_run(1, Outcome::produced, "2026-12-28T08:00:00Z"),
                                         make_run(1, Outcome::produced, "2027-01-02T17:00:00Z"),
                                         make_run(1, Outcome::failed, "2027-01-02T09:00:00Z")};
    const auto days = tally_over_time(runs);
    ASSERT_EQ(days.size(), 6U);
    EXPECT_EQ(days.front().label, "2026-12-28");
    EXPECT_EQ(days.back().label, "2027-01-02");
    EXPECT_EQ(days.back().tally.runs(), 2U);
}

TEST(Yield, ProducedPerHourOverTheWholeSession) {
    std::vector<RunRecord> runs = {make_run(1, Outcome::produced, "2026-12-11T12:30:00Z"),
                                   make_run(2, Outcome::produced, "2026-12-11T14:00:00Z"),
                                   make_run(3, Outcome::failed, "2026-12-11T13:00:00Z")};
    EXPECT_DOUBLE_EQ(*produced_per_hour(runs), 1.0);  // runs start at 12:00
    EXPECT_FALSE(produced_per_hour({}));
}

}  // namespace
}  // namespace station_report

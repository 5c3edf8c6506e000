// The run-time histogram: round bins that hold every run once.
#include "run_time_histogram.h"

#include <gtest/gtest.h>

#include "report_fixture.h"

namespace station_report {
namespace {

std::vector<RunRecord> runs_of(const std::vector<double>& seconds) {
    std::vector<RunRecord> runs;
    for (double s : seconds) {
        runs.push_back(make_run(1, s < 50 ? Outcome::failed : Outcome::produced, "2026-12-11T12:01:24Z", s));
    }
    return runs;
}

TEST(RunTimeHistogram, RoundBinsThatHoldEveryRun) {
    struct Case {
        std::vector<double> seconds;
        size_t most_bins;
        double first_from, width;
        size_t bins;
    };
    const Case cases[] = {
        {{84.2, 83.9, 85.1, 21.0, 47.5}, 24, 20, 5, 14},
        {{84.2, 83.9, 85.1}, 24, 83, 1, 3},
        {{84.0}, 24, 84, 1, 1},
        {{0.4, 99.9}, 10, 0, 10, 10},
        {{15, 25}, 2, 10, 10, 2},
        {{1, 100}, 5, 0, 50, 3},  // 20 s bins would need a sixth for the 100 s run
    };
    for (const Case& c : cases) {
        const auto bins = run_time_histogram(runs_of(c.seconds), c.most_bins);
        ASSERT_EQ(bins.size(), c.bins) << c.seconds.front();
        EXPECT_DOUBLE_EQ(bins.front().from, c.first_from) << c.seconds.front();
        EXPECT_DOUBLE_EQ(bins.front().to - bins.front().from, c.width) << c.seconds.front();
        unsigned held = 0;
        for (const HistogramBin& bin : bins) {
            held += bin.tally.runs();
        }
        EXPECT_EQ(held, c.seconds.size());
    }
}

TEST(RunTimeHistogram, SplitsEachBinByOutcome) {
    const auto bins = run_time_histogram(runs_of({21.0, 84.2, 83.9, 85.1, 47.5}), 24);
    EXPECT_EQ(bins.front().tally.failed, 1U);
    EXPECT_EQ(bins[5].tally.failed, 1U);     // 45-50
    EXPECT_EQ(bins[12].tally.produced, 2U);  // 80-85
    EXPECT_EQ(bins[13].tally.produced, 1U);
    EXPECT_TRUE(run_time_histogram({}, 24).empty());
}

}  // namespace
}  // namespace station_report

// Grouping failures: like failures group whatever bank or value they name.
#include "failures.h"

#include <gtest/gtest.h>

#include "report_fixture.h"

namespace station_report {
namespace {

RunRecord failure(const std::string& stage, const std::vector<std::string>& errors) {
    RunRecord run = make_run(1, Outcome::failed);
    run.stage = stage;
    run.errors = errors;
    return run;
}

TEST(Failures, MasksEveryWordThatHoldsADigit) {
    const std::pair<const char*, const char*> cases[] = {
        {"too many bad blocks in bank 5=B1", "too many bad blocks in bank #=#"},
        {"bank configuration error (must be 00FF)", "bank configuration error (must be #)"},
        {"SDRAM size is different from set value (64 MB)", "SDRAM size is different from set value (# MB)"},
        {"erase failure, pblk_offset = 0, real_pblk_offset = 12",
         "erase failure, pblk_offset = #, real_pblk_offset = #"},
        {"see good.bin and bad3.bin", "see good.bin and #"},
        {"12 bad blocks = 0.15% in low", "# bad blocks = #% in low"},
        {"SATA/SDRAM test failure (data corruption)", "SATA/SDRAM test failure (data corruption)"},
    };
    for (const auto& [text, masked] : cases) {
        EXPECT_EQ(mask_numbers(text), masked);
    }
}

TEST(Failures, ReasonIsTheFirstErrorLineWithoutPrefixOrPadding) {
    EXPECT_EQ(failure_reason(
                  failure("flash test", {"\nERROR: too many bad blocks in bank 2=C0\t", "ERROR: later"})),
              "too many bad blocks in bank #=#");
    EXPECT_EQ(failure_reason(failure("download", {})), "(no ERROR line)");
}

TEST(Failures, ByReasonGroupsLikeFailuresMostFrequentFirst) {
    const std::vector<RunRecord> runs = {
        failure("module test", {"ERROR: bank configuration error (must be 00FF)"}),
        failure("flash test", {"ERROR: too many bad blocks in bank 2=C0\t"}),
        make_run(1, Outcome::produced),
        failure("flash test", {"ERROR: too many bad blocks in bank 7=D1\t"}),
        make_run(2, Outcome::cut_short),
    };
    const auto groups = failures_by_reason(runs, 10);
    ASSERT_EQ(groups.size(), 2U);
    EXPECT_EQ(groups[0].label, "too many bad blocks in bank #=#");
    EXPECT_EQ(groups[0].count, 2U);
    EXPECT_EQ(groups[0].example, "too many bad blocks in bank 2=C0");
    EXPECT_EQ(groups[1].label, "bank configuration error (must be #)");
    EXPECT_EQ(groups[1].count, 1U);
}

TEST(Failures, ByReasonFoldsTheRarestIntoOneGroup) {
    std::vector<RunRecord> runs;
    for (const char* error :
         {"ERROR: a", "ERROR: a", "ERROR: a", "ERROR: b", "ERROR: b", "ERROR: c", "ERROR: d"}) {
        runs.push_back(failure("download", {error}));
    }
    const auto groups = failures_by_reason(runs, 2);
    ASSERT_EQ(groups.size(), 3U);
    EXPECT_EQ(groups[1].label, "b");
    EXPECT_EQ(groups[2].label, "other reasons (2 kinds)");
    EXPECT_EQ(groups[2].count, 2U);
}

TEST(Failures, ByStageInRunOrderWithEveryStageShown) {
    RunRecord no_stage = failure("", {"ERROR: invalid argument"});
    no_stage.stage.reset();
    const std::vector<RunRecord> runs = {failure("download", {}), failure("SATA/SDRAM test", {}),
                                         failure("download", {}), make_run(1, Outcome::produced), no_stage};
    const auto groups = failures_by_stage(runs);
    std::vector<std::pair<std::string, unsigned>> counts;
    for (const FailureGroup& group : groups) {
        counts.emplace_back(group.label, group.count);
    }
    EXPECT_EQ(counts, (std::vector<std::pair<std::string, unsigned>>{{"SATA/SDRAM test", 1},
                                                                     {"module test", 0},
                                                                     {"flash test", 0},
                                                                     {"download", 2},
                                                                     {"(no stage)", 1}}));
}

}  // namespace
}  // namespace station_report

// Reading the results file: every well-formed record kept, every damaged
// line skipped and counted, never fatal.
#include "results_file.h"

#include <gtest/gtest.h>

#include <sstream>

#include "report_fixture.h"
#include "run_record_json.h"

namespace station_report {
namespace {

const std::string EXAMPLE =
    R"({"drive":1,"serial":"SN123","build":"1","fw_revision":"R1","model":"M","options":["L","B2"],)"
    R"("start":"2026-12-11T12:00:00Z","end":"2026-12-11T12:01:24Z","seconds":84.2,"exit_code":1,)"
    R"("result":"failed","stage":"flash test","errors":["ERROR: NAND Flash test failed"],)"
    R"("fail_record":"Flash test fail\n","run_dir":"runs/20261211-120000-d1",)"
    R"("factory_bad":[{"bank":0,"chip":"low","blocks":12,"percent":0.15},)"
    R"({"bank":3,"chip":"high","blocks":9,"percent":0.11}]})";

Results read(const std::string& text) {
    std::istringstream file(text);
    return read_results(file);
}

TEST(ResultsFile, DecodesEveryFieldOfARecord) {
    const auto run = parse_run_record(EXAMPLE);
    ASSERT_TRUE(run);
    EXPECT_EQ(run->drive, 1);
    EXPECT_EQ(run->serial, "SN123");
    EXPECT_EQ(run->options, (std::vector<std::string>{"L", "B2"}));
    EXPECT_EQ(run->end, "2026-12-11T12:01:24Z");
    EXPECT_DOUBLE_EQ(run->seconds, 84.2);
    EXPECT_EQ(run->exit_code, 1);
    EXPECT_EQ(run->result, Outcome::failed);
    EXPECT_EQ(run->stage, "flash test");
    EXPECT_EQ(run->errors, (std::vector<std::string>{"ERROR: NAND Flash test failed"}));
    EXPECT_EQ(run->fail_record, "Flash test fail\n");
    ASSERT_EQ(run->factory_bad.size(), 2U);
    EXPECT_EQ(run->factory_bad[1].bank, 3U);
    EXPECT_EQ(run->factory_bad[1].chip, Chip::high);
    EXPECT_EQ(run->factory_bad[1].blocks, 9U);
    EXPECT_DOUBLE_EQ(run->factory_bad[1].percent, 0.11);
}

TEST(ResultsFile, NullsStandForWhatTheToolNeverPrinted) {
    const auto run = parse_run_record(
        R"({"drive":2,"serial":null,"build":null,"fw_revision":null,"model":null,"options":[],)"
        R"("start":"2026-12-11T12:00:00Z","end":"2026-12-11T12:00:03Z","seconds":3,"exit_code":1,)"
        R"("result":"cut short","stage":null,"errors":[],"fail_record":null,"run_dir":"r","factory_bad":[]})");
    ASSERT_TRUE(run);
    EXPECT_FALSE(run->serial);
    EXPECT_FALSE(run->stage);
    EXPECT_EQ(run->result, Outcome::cut_short);
}

TEST(ResultsFile, RejectsLinesThatAreNotCompleteRecords) {
    struct Case {
        const char* what;
        std::string line;
    };
    const auto replaced = [](const std::string& from, const std::string& to) {
        std::string line = EXAMPLE;
        line.replace(line.find(from), from.size(), to);
        return line;
    };
    const Case cases[] = {
        {"cut off mid-write", EXAMPLE.substr(0, 150)},
        {"not an object", "[1,2,3]"},
        {"unknown result", replaced("\"failed\"", "\"exploded\"")},
        {"drive missing", replaced("\"drive\":1,", "")},
        {"drive not a number", replaced("\"drive\":1", "\"drive\":\"one\"")},
        {"end not a time", replaced("2026-12-11T12:01:24Z", "soon")},
        {"unknown chip", replaced("\"high\"", "\"middle\"")},
        {"serial not text", replaced("\"SN123\"", "123")},
        {"binary noise", std::string("\0\x01\xff", 3)},
    };
    for (const Case& c : cases) {
        EXPECT_FALSE(parse_run_record(c.line)) << c.what;
    }
}

TEST(ResultsFile, SkipsAndCountsDamagedLinesAndKeepsTheRest) {
    const Results results =
        read(EXAMPLE + "\n" + EXAMPLE.substr(0, 80) + "\n\n  \n{oops}\r\n" + EXAMPLE + "\r\n");
    EXPECT_EQ(results.runs.size(), 2U);
    EXPECT_EQ(results.unreadable_lines, 2U);
}

TEST(ResultsFile, KeepsARecordAppendedToALineCutOffByAPowerLoss) {
    const Results results = read(EXAMPLE.substr(0, 100) + EXAMPLE + "\n" + EXAMPLE);
    ASSERT_EQ(results.runs.size(), 2U);
    EXPECT_EQ(results.unreadable_lines, 1U);
    EXPECT_EQ(results.runs[0].serial, "SN123");
}

TEST(ResultsFile, EmptyFileHasNoRuns) {
    const Results results = read("");
    EXPECT_TRUE(results.runs.empty());
    EXPECT_EQ(results.unreadable_lines, 0U);
}

TEST(ResultsFile, ReadsBackWhatTheStationWrites) {
    RunRecord run = make_run(7, Outcome::timing_test_done);
    run.model = "quote \" and back\\slash";
    const Results results = read(results_line(run) + "\n");
    ASSERT_EQ(results.runs.size(), 1U);
    EXPECT_EQ(results.runs[0].drive, 7);
    EXPECT_EQ(results.runs[0].model, run.model);
    EXPECT_EQ(results.runs[0].result, Outcome::timing_test_done);
}

}  // namespace
}  // namespace station_report

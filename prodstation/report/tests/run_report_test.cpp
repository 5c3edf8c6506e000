// "prodstation report" as the station program calls it.
#include "run_report.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <sstream>

#include "report_fixture.h"

namespace station_report {
namespace {

namespace fs = std::filesystem;

struct ReportCall {
    int code;
    std::string out, err;
};

ReportCall report(const fs::path& dir, const std::optional<fs::path>& html = std::nullopt,
                  const std::optional<fs::path>& csv = std::nullopt) {
    std::ostringstream out, err;
    const int code = run_report(dir, html, csv, out, err);
    return {code, out.str(), err.str()};
}

TEST(RunReport, WritesBothReportsBesideTheResultsByDefault) {
    const fs::path dir = fresh_scratch_dir();
    std::ofstream(dir / "results.jsonl") << station_results_file();
    const ReportCall result = report(dir);
    ASSERT_EQ(result.code, 0) << result.err;
    EXPECT_NE(read_text(dir / "report.html").find("id=\"factory-bad\""), std::string::npos);
    const std::string csv = read_text(dir / "report.csv");
    EXPECT_EQ(std::count(csv.begin(), csv.end(), '\n'), 1 + 192);
    EXPECT_NE(result.out.find("192 runs: "), std::string::npos) << result.out;
    EXPECT_NE(result.out.find("skipped 1 unreadable line(s)"), std::string::npos) << result.out;
    EXPECT_NE(result.out.find((dir / "report.html").string()), std::string::npos);
}

TEST(RunReport, WritesWhereItIsTold) {
    const fs::path dir = fresh_scratch_dir();
    std::ofstream(dir / "results.jsonl") << results_line(make_run(1, Outcome::produced)) << "\n";
    const ReportCall result = report(dir, dir / "page.html", dir / "table.csv");
    ASSERT_EQ(result.code, 0) << result.err;
    EXPECT_TRUE(fs::exists(dir / "page.html"));
    EXPECT_TRUE(fs::exists(dir / "table.csv"));
    EXPECT_FALSE(fs::exists(dir / "report.html"));
    EXPECT_NE(result.out.find("yield 100.0%"), std::string::npos) << result.out;
}

TEST(RunReport, EmptyResultsFileGivesThePageWithoutRuns) {
    const fs::path dir = fresh_scratch_dir();
    std::ofstream(dir / "results.jsonl").flush();
    ASSERT_EQ(report(dir).code, 0);
    EXPECT_NE(read_text(dir / "report.html").find("There are no runs"), std::string::npos);
}

TEST(RunReport, FailsWithTheReasonWhenItCannotReadOrWrite) {
    const fs::path dir = fresh_scratch_dir();
    ReportCall result = report(dir / "typo");
    EXPECT_EQ(result.code, 1);
    EXPECT_NE(result.err.find("cannot read"), std::string::npos) << result.err;
    EXPECT_NE(result.err.find("results.jsonl"), std::string::npos) << result.err;

    std::ofstream(dir / "results.jsonl").flush();
    result = report(dir, dir / "missing" / "report.html");
    EXPECT_EQ(result.code, 1);
    EXPECT_NE(result.err.find("cannot write"), std::string::npos) << result.err;
    EXPECT_TRUE(result.out.empty());
}

}  // namespace
}  // namespace station_report

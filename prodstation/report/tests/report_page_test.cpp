// The page around the charts: what it says with no runs, damaged lines, and
// text from the file that must stay text.
#include "report_page.h"

#include <gtest/gtest.h>

#include <sstream>

#include "html_escape.h"
#include "report_fixture.h"

namespace station_report {
namespace {

std::string page(const Results& results, const std::string& source = "runs/results.jsonl") {
    std::ostringstream html;
    write_report_page(results, source, html);
    return html.str();
}

TEST(ReportPage, EscapesEveryCharacterThatIsMarkup) {
    EXPECT_EQ(html_escape("<a href=\"x\">Tom's & Jerry's</a>"),
              "&lt;a href=&quot;x&quot;&gt;Tom&#39;s &amp; Jerry&#39;s&lt;/a&gt;");
}

TEST(ReportPage, SaysSoWhenThereAreNoRuns) {
    const std::string html = page({});
    EXPECT_NE(html.find("There are no runs"), std::string::npos);
    EXPECT_EQ(html.find("<svg"), std::string::npos);
    EXPECT_EQ(html.find("unreadable"), std::string::npos);
    EXPECT_NE(html.find("</html>"), std::string::npos);
}

TEST(ReportPage, CountsSkippedLinesEvenWithoutRuns) {
    const std::string html = page({{}, 3});
    EXPECT_NE(html.find("3 unreadable line(s)"), std::string::npos);
    EXPECT_NE(html.find("There are no runs"), std::string::npos);
}

TEST(ReportPage, TextFromTheFileStaysText) {
    RunRecord run = make_run(1, Outcome::failed);
    run.stage = "<b>stage</b>";
    run.errors = {"ERROR: <script>alert('x')</script>"};
    const std::string html = page({{run}, 0}, "<dir>/results.jsonl");
    EXPECT_EQ(html.find("<script"), std::string::npos);
    EXPECT_EQ(html.find("<b>stage"), std::string::npos);
    EXPECT_EQ(html.find("<dir>"), std::string::npos);
    EXPECT_NE(html.find("&lt;script&gt;alert(&#39;x&#39;)&lt;/script&gt;"), std::string::npos);
}

TEST(ReportPage, ShowsTheSummaryAndEveryChart) {
    const std::vector<RunRecord> runs = {make_run(1, Outcome::produced), make_run(2, Outcome::failed),
                                         make_run(2, Outcome::produced, "2026-12-11T13:10:00Z")};
    const std::string html = page({runs, 0});
    for (const char* part :
         {"<b>3</b><span>runs</span>", "<b>66.7%</b><span>yield</span>", "id=\"yield-over-time\"",
          "id=\"yield-per-port\"", "id=\"failures-by-stage\"", "id=\"failures-by-reason\"",
          "id=\"factory-bad\"", "id=\"run-time\"", "from 2026-12-11T12:00:00Z to 2026-12-11T13:10:00Z"}) {
        EXPECT_NE(html.find(part), std::string::npos) << part;
    }
    EXPECT_EQ(html.find("<script"), std::string::npos) << "the page needs no script";
    EXPECT_EQ(html.find("http://"), html.find("http://www.w3.org/2000/svg")) << "nothing fetched";
}

}  // namespace
}  // namespace station_report

// The report as a station engineer sees it: headless Chromium renders the
// page built from a day of mixed runs, to a picture and to its live DOM.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <sstream>

#include "report_fixture.h"
#include "run_report.h"

namespace station_report {
namespace {

namespace fs = std::filesystem;

constexpr unsigned WINDOW_WIDTH = 1000;
constexpr unsigned WINDOW_HEIGHT = 2600;
constexpr const char* CHART_IDS[] = {"yield-over-time",    "yield-per-port", "failures-by-stage",
                                     "failures-by-reason", "factory-bad",    "run-time"};

bool chromium_present() {
    return std::system("command -v chromium >/dev/null 2>&1") == 0;
}

// Runs Chromium headless on the page with what_to_do ("--dump-dom" or
// "--screenshot=FILE"); standard output to out, its log to log.
int chromium(const fs::path& profile, const std::string& what_to_do, const fs::path& page,
             const fs::path& out, const fs::path& log) {
    std::ostringstream command;
    command << "timeout 120 chromium --headless --no-sandbox --disable-gpu --hide-scrollbars"
            << " --enable-logging=stderr --log-level=0 --no-first-run --user-data-dir='" << profile.string()
            << "' --window-size=" << WINDOW_WIDTH << "," << WINDOW_HEIGHT << " " << what_to_do << " 'file://"
            << fs::absolute(page).string() << "' >'" << out.string() << "' 2>'" << log.string()
            << "' </dev/null";
    return std::system(command.str().c_str());
}

// What the page made Chromium log: console messages (a script error, a
// refused load) and failed loads.
std::vector<std::string> page_complaints(const std::string& log) {
    std::vector<std::string> complaints;
    std::istringstream lines(log);
    for (std::string line; std::getline(lines, line);) {
        if (line.find("CONSOLE") != std::string::npos || line.find("Refused") != std::string::npos ||
            line.find("net::ERR") != std::string::npos) {
            complaints.push_back(line);
        }
    }
    return complaints;
}

uint32_t big_endian32(const std::string& bytes, size_t offset) {
    uint32_t value = 0;
    for (size_t i = 0; i < 4; ++i) {
        value = value << 8 | static_cast<unsigned char>(bytes[offset + i]);
    }
    return value;
}

size_t count_of(const std::string& text, const std::string& what) {
    size_t count = 0;
    for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) {
        ++count;
    }
    return count;
}

class ReportInBrowser : public ::testing::Test {
  protected:
    void SetUp() override {
        if (!chromium_present()) {
            GTEST_SKIP() << "chromium is not installed";
        }
        dir = fresh_scratch_dir();
        RunRecord hostile = make_run(4, Outcome::failed, "2026-12-11T10:30:00Z");
        hostile.stage = "download";
        hostile.errors = {"ERROR: <img src=x onerror=alert(1)> & <script>alert(2)</script>"};
        std::ofstream(dir / "results.jsonl") << station_results_file() << results_line(hostile) << "\n";
        std::ostringstream out, err;
        ASSERT_EQ(run_report(dir, std::nullopt, std::nullopt, out, err), 0) << err.str();
    }

    fs::path dir;
};

TEST_F(ReportInBrowser, RendersEveryChartWithoutComplaint) {
    ASSERT_EQ(chromium(dir / "profile", "--dump-dom", dir / "report.html", dir / "dom.html", dir / "dom.log"),
              0)
        << read_text(dir / "dom.log");
    const std::string dom = read_text(dir / "dom.html");
    for (const char* id : CHART_IDS) {
        const size_t chart = dom.find(std::string("<svg id=\"") + id + "\"");
        ASSERT_NE(chart, std::string::npos) << id;
        const std::string svg = dom.substr(chart, dom.find("</svg>", chart) - chart);
        EXPECT_GE(count_of(svg, "<rect"), 8U) << id << " draws nothing";
        EXPECT_GE(count_of(svg, "<text"), 3U) << id << " has no labels";
    }
    EXPECT_EQ(dom.find("<img"), std::string::npos) << "text from the results file became markup";
    EXPECT_EQ(dom.find("<script"), std::string::npos);
    EXPECT_NE(dom.find("&lt;img src=x onerror=alert(#)&gt;"), std::string::npos);
    EXPECT_EQ(page_complaints(read_text(dir / "dom.log")), std::vector<std::string>{});
}

TEST_F(ReportInBrowser, PaintsAFullPicture) {
    const fs::path picture = dir / "report.png";
    ASSERT_EQ(chromium(dir / "profile", "--screenshot='" + picture.string() + "'", dir / "report.html",
                       dir / "shot.out", dir / "shot.log"),
              0)
        << read_text(dir / "shot.log");
    const std::string png = read_text(picture);
    ASSERT_GE(png.size(), 24U);
    EXPECT_EQ(png.substr(0, 8), "\x89PNG\r\n\x1a\n");
    EXPECT_EQ(big_endian32(png, 16), WINDOW_WIDTH);
    EXPECT_EQ(big_endian32(png, 20), WINDOW_HEIGHT);
    // A blank or unstyled page of this size compresses to a few kilobytes.
    EXPECT_GT(png.size(), 60000U);
    EXPECT_EQ(page_complaints(read_text(dir / "shot.log")), std::vector<std::string>{});
}

}  // namespace
}  // namespace station_report

#include "report_page.h"

#include <algorithm>

#include "html_escape.h"
#include "number_text.h"
#include "report_charts.h"
#include "yield.h"

namespace station_report {

namespace {

constexpr const char* HEAD = R"(<!DOCTYPE html>
<html lang="en">
<head>
<meta charset="utf-8">
<meta http-equiv="Content-Security-Policy" content="default-src 'none'; style-src 'unsafe-inline'">
<title>Yield report</title>
<style>
body { font-family: "DejaVu Sans", "Segoe UI", Arial, sans-serif; margin: 24px; color: #1f2328; background: #f6f7f9; }
h1 { font-size: 24px; margin: 0 0 4px; }
h2 { font-size: 17px; margin: 0 0 10px; }
p { margin: 4px 0; }
.source { color: #57606a; font-size: 13px; }
.warning { color: #9a3412; background: #fff4e5; border: 1px solid #f5c27a; padding: 6px 10px; border-radius: 4px; }
.empty { font-size: 18px; margin-top: 24px; }
.tiles { display: flex; flex-wrap: wrap; gap: 10px; margin: 16px 0; }
.tile { background: #fff; border: 1px solid #d8dce1; border-radius: 6px; padding: 8px 12px; min-width: 84px; }
.tile b { display: block; font-size: 22px; }
.tile span { font-size: 12px; color: #57606a; }
.tile.good b { color: #2e7d32; } .tile.bad b { color: #c62828; }
section { background: #fff; border: 1px solid #d8dce1; border-radius: 6px; padding: 14px 16px; margin: 14px 0; width: 920px; }
svg text { font-family: inherit; fill: #1f2328; }
.tick { font-size: 11px; fill: #444c56; } .small { font-size: 10px; fill: #6e7781; }
.legend, .label { font-size: 12px; } .value { font-size: 12px; font-weight: bold; }
.note { font-size: 10px; fill: #2e7d32; font-weight: bold; }
.axis-title { font-size: 12px; fill: #57606a; }
.cell { font-size: 9px; } .cell.dark { fill: #fff; }
line.axis { stroke: #444c56; } line.grid { stroke: #e3e6ea; }
</style>
</head>
<body>
<h1>Yield report</h1>
)";

std::string tile(const std::string& value, const std::string& what, const char* css_class = "") {
    return "<div class=\"tile " + std::string(css_class) + "\"><b>" + html_escape(value) + "</b><span>" +
           html_escape(what) + "</span></div>";
}

std::string summary(const std::vector<RunRecord>& runs) {
    const Tally tally = tally_all(runs);
    const auto per_hour = produced_per_hour(runs);
    return "<div class=\"tiles\">" + tile(std::to_string(tally.runs()), "runs") +
           tile(std::to_string(tally.produced), "produced", "good") +
           tile(std::to_string(tally.failed), "failed", "bad") + tile(yield_text(tally.yield()), "yield") +
           tile(std::to_string(tally.timing_tests), "timing tests") +
           tile(std::to_string(tally.cut_short), "cut short") +
           tile(per_hour ? fixed_number(*per_hour, 1) : "-", "produced per hour") + "</div>\n";
}

std::string time_span(const std::vector<RunRecord>& runs) {
    const auto first = std::min_element(
        runs.begin(), runs.end(), [](const RunRecord& a, const RunRecord& b) { return a.start < b.start; });
    const auto last = std::max_element(runs.begin(), runs.end(),
                                       [](const RunRecord& a, const RunRecord& b) { return a.end < b.end; });
    return ", from " + first->start + " to " + last->end;
}

std::string section(const std::string& title, const std::string& note, const std::string& body) {
    std::string html = "<section>\n<h2>" + html_escape(title) + "</h2>\n";
    if (!note.empty()) {
        html += "<p class=\"source\">" + html_escape(note) + "</p>\n";
    }
    return html + body + "\n</section>\n";
}

std::string charts(const std::vector<RunRecord>& runs) {
    const bool failures = tally_all(runs).failed > 0;
    const std::string no_failures = "<p>No failed runs.</p>";
    return section("Yield over time", "Runs by outcome; the yield is produced among produced and failed.",
                   yield_over_time_chart(runs)) +
           section("Yield per port", "", yield_per_port_chart(runs)) +
           section("Failures by stage", "", failures ? failures_by_stage_chart(runs) : no_failures) +
           section("Failures by reason", "The first ERROR line of each failure, numbers masked as #.",
                   failures ? failures_by_reason_chart(runs) : no_failures) +
           section("Factory-bad blocks per bank position and chip",
                   "Mean share of a chip's blocks that the scan found bad, over the runs that scanned it.",
                   factory_bad_chart(runs)) +
           section("Run time", "", run_time_chart(runs));
}

}  // namespace

void write_report_page(const Results& results, const std::string& source, std::ostream& out) {
    out << HEAD;
    std::string about = "From " + source;
    if (!results.runs.empty()) {
        about += time_span(results.runs);
    }
    out << "<p class=\"source\">" << html_escape(about) << "</p>\n";
    if (results.unreadable_lines > 0) {
        out << "<p class=\"warning\">" << results.unreadable_lines
            << " unreadable line(s) in the results file were skipped.</p>\n";
    }
    if (results.runs.empty()) {
        out << "<p class=\"empty\">There are no runs in the results file yet.</p>\n";
    } else {
        out << summary(results.runs) << charts(results.runs);
    }
    out << "</body>\n</html>\n";
}

}  // namespace station_report

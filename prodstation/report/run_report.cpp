#include "run_report.h"

#include <fstream>
#include <sstream>
#include <string>

#include "csv.h"
#include "report_charts.h"
#include "report_page.h"
#include "results_file.h"
#include "yield.h"

namespace station_report {

namespace {

namespace fs = std::filesystem;

constexpr const char* RESULTS_FILE = "results.jsonl";

bool write_file(const fs::path& path, const std::string& content, std::ostream& err) {
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    file << content;
    file.close();
    if (!file) {
        err << "prodstation: cannot write " << path.string() << "\n";
        return false;
    }
    return true;
}

std::string summary_line(const Results& results) {
    const Tally tally = tally_all(results.runs);
    std::string line =
        std::to_string(tally.runs()) + " runs: " + std::to_string(tally.produced) + " produced, " +
        std::to_string(tally.failed) + " failed, " + std::to_string(tally.timing_tests) + " timing tests, " +
        std::to_string(tally.cut_short) + " cut short; yield " + yield_text(tally.yield()) + "\n";
    if (results.unreadable_lines > 0) {
        line += "skipped " + std::to_string(results.unreadable_lines) + " unreadable line(s)\n";
    }
    return line;
}

int report(const fs::path& runs_dir, const fs::path& html, const fs::path& csv, std::ostream& out,
           std::ostream& err) {
    const fs::path source = runs_dir / RESULTS_FILE;
    std::ifstream file(source, std::ios::binary);
    if (!file) {
        err << "prodstation: cannot read " << source.string() << "\n";
        return 1;
    }
    const Results results = read_results(file);
    std::ostringstream page;
    write_report_page(results, source.string(), page);
    std::ostringstream table;
    write_csv(results.runs, table);
    if (!write_file(html, page.str(), err) || !write_file(csv, table.str(), err)) {
        return 1;
    }
    out << summary_line(results) << "report: " << html.string() << "\ncsv: " << csv.string() << "\n";
    return 0;
}

}  // namespace

int run_report(const fs::path& runs_dir, const std::optional<fs::path>& html,
               const std::optional<fs::path>& csv, std::ostream& out, std::ostream& err) {
    try {
        return report(runs_dir, html.value_or(runs_dir / "report.html"),
                      csv.value_or(runs_dir / "report.csv"), out, err);
    } catch (const std::exception& error) {
        err << "prodstation: report: " << error.what() << "\n";
        return 1;
    }
}

}  // namespace station_report

// "prodstation report": the yield report of a station's runs.
#pragma once

#include <filesystem>
#include <optional>
#include <ostream>

namespace station_report {

// Reads runs_dir/results.jsonl and writes the HTML page to html (default
// runs_dir/report.html) and the CSV to csv (default runs_dir/report.csv).
// Prints a summary and the files written to out. Returns 0, or 1 with the
// reason on err when the results file cannot be read or a report cannot be
// written. Unreadable lines of the results file are skipped and counted.
int run_report(const std::filesystem::path& runs_dir, const std::optional<std::filesystem::path>& html,
               const std::optional<std::filesystem::path>& csv, std::ostream& out, std::ostream& err);

}  // namespace station_report

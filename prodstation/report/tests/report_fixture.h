// Runs and results files for the report's tests.
#pragma once

#include <filesystem>
#include <string>

#include "run_record.h"

namespace station_report {

// A run of drive 1 that ended at end, with the fields a test does not care
// about filled as a station would.
RunRecord make_run(int drive, Outcome result, const std::string& end = "2026-12-11T12:01:24Z",
                   double seconds = 84.2);

// The run as one line of the results file, as the station writes it.
std::string results_line(const RunRecord& run);

// A day shift on eight ports: mostly produced, failures in every stage,
// timing tests, a cut-short run, bank 5's high chip worse than the rest and
// one line cut off by a power loss.
std::string station_results_file();

// An empty directory of the current test's own.
std::filesystem::path fresh_scratch_dir();

std::string read_text(const std::filesystem::path& path);

}  // namespace station_report

// The yield report: one self-contained HTML page (inline CSS and SVG, no
// script, nothing fetched) that opens from disk.
#pragma once

#include <ostream>
#include <string>

#include "results_file.h"

namespace station_report {

// source names the results file on the page.
void write_report_page(const Results& results, const std::string& source, std::ostream& out);

}  // namespace station_report

// The results as CSV for the factory's own systems: a header row, then one
// row per run (RFC 4180: comma-separated, CRLF row ends, fields quoted when
// they hold a comma, a quote or a line break).
#pragma once

#include <ostream>
#include <string>
#include <string_view>
#include <vector>

#include "run_record.h"

namespace station_report {

std::string csv_field(std::string_view text);

// Options are joined with spaces, the "ERROR: " lines with line breaks, and
// the factory-bad entries as "0L:12:0.15 0H:9:0.11" (bank, chip, blocks,
// percent); a missing value is an empty field.
void write_csv(const std::vector<RunRecord>& runs, std::ostream& out);

}  // namespace station_report

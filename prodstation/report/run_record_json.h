// Decoding one line of the results file.
#pragma once

#include <optional>
#include <string_view>

#include "run_record.h"

namespace station_report {

// The run the line describes, or nothing when the line is not a complete,
// well-formed record (a station that lost power mid-write leaves such a line).
std::optional<RunRecord> parse_run_record(std::string_view line);

}  // namespace station_report

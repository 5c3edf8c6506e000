// A run's line in the results file: one JSON object, one line.
#pragma once

#include <string>

#include "drive_run.h"

namespace station {

// The line of an ended run, with its line end.
std::string result_line(const DriveRun& run);

// UTC "2026-12-11T12:00:00Z".
std::string utc_text(std::chrono::system_clock::time_point time);

// The time in UTC as strftime formats it.
std::string time_text(std::chrono::system_clock::time_point time, const char* format);

}  // namespace station

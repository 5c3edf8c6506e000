// An ended run in one line: its result, for a failure the stage and the
// first "ERROR: " line, and the time it took.
#pragma once

#include <string>

#include "drive_run.h"

namespace station {

std::string run_summary(const DriveRun& run);

// "1:24" (minutes and seconds), "1:24:03" from an hour on.
std::string elapsed_text(std::chrono::steady_clock::duration elapsed);

}  // namespace station

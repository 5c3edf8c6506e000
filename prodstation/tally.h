// The station's count of the session: what the line below the table and the
// last plain line say.
#pragma once

#include <chrono>
#include <string>

#include "drive_run.h"
#include "yield.h"

namespace station {

using station_report::Tally;

// Every run of the session, counted as it ended.
void count_run(Tally* tally, const DriveRun& run);

// "produced 2, failed 1, yield 66.7%, 85.7 drives per hour": the yield of
// the drives that went through (produced or failed), the drives produced
// per hour of the session so far; timing tests and runs cut short named
// when there were any.
std::string tally_text(const Tally& tally, std::chrono::steady_clock::duration session);

}  // namespace station

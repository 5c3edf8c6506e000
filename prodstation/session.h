// A station session: a run on every drive port at once, followed to its end.
#pragma once

#include <vector>

#include "port.h"

namespace station {

// Runs the drives (each with its own options) and returns the station's exit
// code: 0 when every drive's last run was produced or finished its timing
// test, 1 otherwise.
int run_session(const StationSettings& settings, std::vector<Port> ports);

}  // namespace station

// Round steps for chart axes and histogram bins.
#pragma once

namespace station_report {

// The smallest of 1, 2 and 5 times a power of ten that is at least the given
// step (which must be positive).
double nice_step(double at_least);

}  // namespace station_report

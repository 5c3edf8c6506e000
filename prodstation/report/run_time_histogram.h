// The distribution of run times, split by outcome: a slow port or a stage
// that hangs shows as a second hump.
#pragma once

#include <cstddef>
#include <vector>

#include "run_record.h"
#include "yield.h"

namespace station_report {

struct HistogramBin {
    double from;  // seconds, from <= t < to
    double to;
    Tally tally;
};

// Bins of one round width, at most most_bins of them, from the shortest run to
// the longest.
std::vector<HistogramBin> run_time_histogram(const std::vector<RunRecord>& runs, size_t most_bins);

}  // namespace station_report

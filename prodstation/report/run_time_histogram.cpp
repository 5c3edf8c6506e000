#include "run_time_histogram.h"

#include <algorithm>
#include <cmath>

#include "nice_step.h"

namespace station_report {

std::vector<HistogramBin> run_time_histogram(const std::vector<RunRecord>& runs, size_t most_bins) {
    if (runs.empty()) {
        return {};
    }
    const auto [shortest, longest] =
        std::minmax_element(runs.begin(), runs.end(),
                            [](const RunRecord& a, const RunRecord& b) { return a.seconds < b.seconds; });
    const double range = longest->seconds - shortest->seconds;
    double width = nice_step(std::max(range / static_cast<double>(most_bins), 1.0));
    double start = std::floor(shortest->seconds / width) * width;
    // Rounding the start down can push the longest run one bin too far.
    while (std::floor((longest->seconds - start) / width) >= static_cast<double>(most_bins)) {
        width = nice_step(width * 1.5);
        start = std::floor(shortest->seconds / width) * width;
    }
    const auto count = static_cast<size_t>(std::floor((longest->seconds - start) / width)) + 1;
    std::vector<HistogramBin> bins;
    for (size_t i = 0; i < count; ++i) {
        bins.push_back(
            {start + static_cast<double>(i) * width, start + static_cast<double>(i + 1) * width, {}});
    }
    for (const RunRecord& run : runs) {
        const auto index = static_cast<size_t>(std::floor((run.seconds - start) / width));
        bins[std::min(index, count - 1)].tally.add(run.result);
    }
    return bins;
}

}  // namespace station_report

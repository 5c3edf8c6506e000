#include "tally.h"

#include <cstdio>

namespace station {

void count_run(Tally* tally, const DriveRun& run) {
    tally->add(run_result(run));
}

std::string tally_text(const Tally& tally, std::chrono::steady_clock::duration session) {
    const double yield = 100.0 * tally.yield().value_or(0);
    const double hours = std::chrono::duration<double>(session).count() / 3600;
    const double per_hour = hours <= 0 ? 0 : tally.produced / hours;
    char text[160];
    std::snprintf(text, sizeof text, "produced %u, failed %u, yield %.1f%%, %.1f drives per hour",
                  tally.produced, tally.failed, yield, per_hour);
    std::string line = text;
    if (tally.timing_tests > 0) {
        line += ", timing tests done " + std::to_string(tally.timing_tests);
    }
    if (tally.cut_short > 0) {
        line += ", cut short " + std::to_string(tally.cut_short);
    }
    return line;
}

}  // namespace station

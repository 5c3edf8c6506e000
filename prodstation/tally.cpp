#include "tally.h"

#include <cstdio>

namespace station {

void count_run(Tally* tally, const DriveRun& run) {
    switch (run_result(run)) {
        case RunResult::produced:
            ++tally->produced;
            break;
        case RunResult::failed:
            ++tally->failed;
            break;
        case RunResult::timing_test_done:
            ++tally->timing_tests;
            break;
        case RunResult::cut_short:
            ++tally->cut_short;
            break;
    }
}

std::string tally_text(const Tally& tally, std::chrono::steady_clock::duration session) {
    const unsigned through = tally.produced + tally.failed;
    const double yield = through == 0 ? 0 : 100.0 * tally.produced / through;
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

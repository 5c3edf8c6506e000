#include "run_summary.h"

#include <cstdio>

namespace station {

std::string elapsed_text(std::chrono::steady_clock::duration elapsed) {
    const long long seconds = std::chrono::duration_cast<std::chrono::seconds>(elapsed).count();
    char text[32];
    if (seconds < 3600) {
        std::snprintf(text, sizeof text, "%lld:%02lld", seconds / 60, seconds % 60);
    } else {
        std::snprintf(text, sizeof text, "%lld:%02lld:%02lld", seconds / 3600, seconds / 60 % 60,
                      seconds % 60);
    }
    return text;
}

std::string run_summary(const DriveRun& run) {
    const Outcome result = run_result(run);
    std::string text = outcome_name(result);
    const std::string stage = failed_stage(run);
    if (!stage.empty()) {
        text += " in " + stage;
    }
    text += " after " + elapsed_text(run.ended - run.started);
    if (result == Outcome::failed && !run.console.errors.empty()) {
        text += ": " + run.console.errors.front();
    }
    return text;
}

}  // namespace station

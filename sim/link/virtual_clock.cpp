// Calendar time starts at $PRODTOOL_SIM_TIME (seconds since 1970) when that is
// set, so that a test run is repeatable, else at the real time of the first
// question.
#include "link/virtual_clock.h"

#include <cstdlib>
#include <ctime>

#include "platform/clock.h"

namespace sim {

namespace {

uint64_t elapsed_ms = 0;

int64_t start_seconds() {
    static const int64_t start = [] {
        const char* fixed = std::getenv("PRODTOOL_SIM_TIME");
        return fixed != nullptr && *fixed != '\0' ? std::strtoll(fixed, nullptr, 10)
                                                  : static_cast<int64_t>(std::time(nullptr));
    }();
    return start;
}

}  // namespace

uint64_t virtual_milliseconds() {
    return elapsed_ms;
}

}  // namespace sim

namespace platform {

int64_t calendar_seconds() {
    return sim::start_seconds() + static_cast<int64_t>(sim::elapsed_ms / 1000);
}

void sleep_milliseconds(uint32_t milliseconds) {
    sim::elapsed_ms += milliseconds;
}

}  // namespace platform

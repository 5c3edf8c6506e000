#include "support/doubles/fake_clock.h"

#include "platform/clock.h"

namespace {

int64_t start_seconds = 1262303999;  // 12/31/2009 11:59:59 PM UTC
uint64_t slept_milliseconds = 0;

}  // namespace

void fake_clock_set_seconds(int64_t seconds) {
    start_seconds = seconds;
    slept_milliseconds = 0;
}

uint64_t fake_clock_slept_milliseconds() {
    return slept_milliseconds;
}

namespace platform {

int64_t calendar_seconds() {
    return start_seconds + static_cast<int64_t>(slept_milliseconds / 1000);
}

void sleep_milliseconds(uint32_t milliseconds) {
    slept_milliseconds += milliseconds;
}

}  // namespace platform

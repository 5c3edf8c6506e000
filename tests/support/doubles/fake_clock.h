// A settable clock in place of the platform's: calendar time stands still
// until a test sets it or the code under test sleeps.
#pragma once

#include <cstdint>

void fake_clock_set_seconds(int64_t seconds);
// Milliseconds slept since the clock was last set.
uint64_t fake_clock_slept_milliseconds();

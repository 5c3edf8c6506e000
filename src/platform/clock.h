// Calendar time and sleeping.
#pragma once

#include <cstdint>

namespace platform {

// Seconds since 1970-01-01 00:00 UTC.
int64_t calendar_seconds();

void sleep_milliseconds(uint32_t milliseconds);

}  // namespace platform

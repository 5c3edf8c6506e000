// Conversion of calendar time to the station's local time.
#pragma once

#include <cstdint>

namespace platform {

struct LocalTime {
    int year;    // e.g. 2009
    int month;   // 1 to 12
    int day;     // 1 to 31
    int hour;    // 0 to 23
    int minute;  // 0 to 59
    int second;  // 0 to 59
};

// False when the time cannot be converted.
bool local_time(int64_t calendar_seconds, LocalTime* out);

}  // namespace platform

#include "images/station_date.h"

#include <cstdio>

#include "platform/clock.h"

namespace {

constexpr char INVALID_DATE_TIME[] = "Invalid DateTime";

// The date-to-text conversion knows the years 100 to 9999 only.
bool representable(const platform::LocalTime& time) {
    return time.year >= 100 && time.year <= 9999 && time.month >= 1 && time.month <= 12 && time.day >= 1 &&
           time.day <= 31 && time.hour >= 0 && time.hour <= 23 && time.minute >= 0 && time.minute <= 59 &&
           time.second >= 0 && time.second <= 59;
}

}  // namespace

void format_station_date(const platform::LocalTime& time, char* out, size_t capacity) {
    if (!representable(time)) {
        std::snprintf(out, capacity, "%s", INVALID_DATE_TIME);
        return;
    }
    if (time.hour == 0 && time.minute == 0 && time.second == 0) {
        std::snprintf(out, capacity, "%d/%d/%d", time.month, time.day, time.year);
        return;
    }
    const int hour_of_half_day = time.hour % 12 == 0 ? 12 : time.hour % 12;
    std::snprintf(out, capacity, "%d/%d/%d %d:%02d:%02d %s", time.month, time.day, time.year,
                  hour_of_half_day, time.minute, time.second, time.hour < 12 ? "AM" : "PM");
}

void current_station_date(char* out, size_t capacity) {
    // A clock that reports a time before 1970 has failed.
    const int64_t seconds = platform::calendar_seconds();
    platform::LocalTime time{};
    if (seconds < 0 || !platform::local_time(seconds, &time)) {
        std::snprintf(out, capacity, "%s", INVALID_DATE_TIME);
        return;
    }
    format_station_date(time, out, capacity);
}

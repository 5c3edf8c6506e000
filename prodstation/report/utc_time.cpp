#include "utc_time.h"

#include <cstdio>

namespace station_report {

namespace {

constexpr int64_t SECONDS_PER_DAY = 86400;

struct CivilDate {
    int64_t year;
    unsigned month;
    unsigned day;
};

// Days since 1970-01-01 of a proleptic Gregorian date, and back (the
// well-known era arithmetic, exact for every date).
int64_t days_from_civil(CivilDate date) {
    const int64_t year = date.month <= 2 ? date.year - 1 : date.year;
    const int64_t era = (year >= 0 ? year : year - 399) / 400;
    const int64_t year_of_era = year - era * 400;
    const int64_t month_index = date.month > 2 ? date.month - 3 : date.month + 9;
    const int64_t day_of_year = (153 * month_index + 2) / 5 + date.day - 1;
    const int64_t day_of_era = year_of_era * 365 + year_of_era / 4 - year_of_era / 100 + day_of_year;
    return era * 146097 + day_of_era - 719468;
}

CivilDate civil_from_days(int64_t days) {
    days += 719468;
    const int64_t era = (days >= 0 ? days : days - 146096) / 146097;
    const int64_t day_of_era = days - era * 146097;
    const int64_t year_of_era =
        (day_of_era - day_of_era / 1460 + day_of_era / 36524 - day_of_era / 146096) / 365;
    const int64_t day_of_year = day_of_era - (365 * year_of_era + year_of_era / 4 - year_of_era / 100);
    const int64_t month_index = (5 * day_of_year + 2) / 153;
    const auto day = static_cast<unsigned>(day_of_year - (153 * month_index + 2) / 5 + 1);
    const auto month = static_cast<unsigned>(month_index < 10 ? month_index + 3 : month_index - 9);
    const int64_t year = year_of_era + era * 400 + (month <= 2 ? 1 : 0);
    return {year, month, day};
}

bool digits_at(const std::string& text, size_t position, size_t count, unsigned& value) {
    value = 0;
    for (size_t i = position; i < position + count; ++i) {
        if (text[i] < '0' || text[i] > '9') {
            return false;
        }
        value = value * 10 + static_cast<unsigned>(text[i] - '0');
    }
    return true;
}

bool valid_tail(const std::string& stamp) {
    size_t i = 19;
    if (i < stamp.size() && stamp[i] == '.') {
        for (++i; i < stamp.size() && stamp[i] >= '0' && stamp[i] <= '9';) {
            ++i;
        }
    }
    return i == stamp.size() || (i + 1 == stamp.size() && stamp[i] == 'Z');
}

int64_t day_number(int64_t seconds) {
    return (seconds >= 0 ? seconds : seconds - SECONDS_PER_DAY + 1) / SECONDS_PER_DAY;
}

}  // namespace

std::optional<int64_t> utc_seconds(const std::string& stamp) {
    if (stamp.size() < 19 || stamp[4] != '-' || stamp[7] != '-' || stamp[10] != 'T' || stamp[13] != ':' ||
        stamp[16] != ':' || !valid_tail(stamp)) {
        return std::nullopt;
    }
    unsigned year, month, day, hour, minute, second;
    if (!digits_at(stamp, 0, 4, year) || !digits_at(stamp, 5, 2, month) || !digits_at(stamp, 8, 2, day) ||
        !digits_at(stamp, 11, 2, hour) || !digits_at(stamp, 14, 2, minute) ||
        !digits_at(stamp, 17, 2, second)) {
        return std::nullopt;
    }
    if (month < 1 || month > 12 || day < 1 || day > 31 || hour > 23 || minute > 59 || second > 60) {
        return std::nullopt;
    }
    return days_from_civil({year, month, day}) * SECONDS_PER_DAY + hour * 3600 + minute * 60 + second;
}

int hour_of_day(int64_t seconds) {
    return static_cast<int>((seconds - day_number(seconds) * SECONDS_PER_DAY) / 3600);
}

std::string day_label(int64_t seconds) {
    const CivilDate date = civil_from_days(day_number(seconds));
    char text[24];
    std::snprintf(text, sizeof text, "%04lld-%02u-%02u", static_cast<long long>(date.year), date.month,
                  date.day);
    return text;
}

}  // namespace station_report

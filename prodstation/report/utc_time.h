// The UTC time stamps of the results file ("2026-12-11T12:00:00Z") as seconds
// since 1970, and back as the labels of the report's time axis.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace station_report {

// Accepts "YYYY-MM-DDTHH:MM:SS" with optional fractional seconds and "Z".
std::optional<int64_t> utc_seconds(const std::string& stamp);

// "2026-12-11" for the day that holds the time, 14 for its hour.
std::string day_label(int64_t seconds);
int hour_of_day(int64_t seconds);

}  // namespace station_report

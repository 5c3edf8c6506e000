#include "yield.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <map>

#include "utc_time.h"

namespace station_report {

namespace {

constexpr int64_t HOUR = 3600;
constexpr int64_t DAY = 24 * HOUR;
constexpr int64_t MOST_HOURS_SHOWN = 48;

int64_t floor_to(int64_t seconds, int64_t step) {
    return (seconds >= 0 ? seconds : seconds - step + 1) / step * step;
}

std::string time_label(int64_t bucket, int64_t step) {
    if (step == DAY) {
        return day_label(bucket);
    }
    char hour[16];
    std::snprintf(hour, sizeof hour, "%02d:00", hour_of_day(bucket));
    return std::string(hour) + "\n" + day_label(bucket);
}

}  // namespace

void Tally::add(Outcome outcome) {
    switch (outcome) {
        case Outcome::produced:
            ++produced;
            break;
        case Outcome::failed:
            ++failed;
            break;
        case Outcome::timing_test_done:
            ++timing_tests;
            break;
        case Outcome::cut_short:
            ++cut_short;
            break;
    }
}

unsigned Tally::runs() const {
    return produced + failed + timing_tests + cut_short;
}

std::optional<double> Tally::yield() const {
    if (produced + failed == 0) {
        return std::nullopt;
    }
    return static_cast<double>(produced) / (produced + failed);
}

Tally tally_all(const std::vector<RunRecord>& runs) {
    Tally tally;
    for (const RunRecord& run : runs) {
        tally.add(run.result);
    }
    return tally;
}

std::vector<LabelledTally> tally_per_port(const std::vector<RunRecord>& runs) {
    std::map<int, Tally> per_port;
    for (const RunRecord& run : runs) {
        per_port[run.drive].add(run.result);
    }
    std::vector<LabelledTally> ports;
    for (const auto& [drive, tally] : per_port) {
        ports.push_back({std::to_string(drive), tally});
    }
    return ports;
}

std::vector<LabelledTally> tally_over_time(const std::vector<RunRecord>& runs) {
    if (runs.empty()) {
        return {};
    }
    std::vector<int64_t> ends;
    for (const RunRecord& run : runs) {
        ends.push_back(utc_seconds(run.end).value_or(0));
    }
    const auto [first, last] = std::minmax_element(ends.begin(), ends.end());
    const int64_t step =
        floor_to(*last, HOUR) - floor_to(*first, HOUR) < MOST_HOURS_SHOWN * HOUR ? HOUR : DAY;
    const int64_t origin = floor_to(*first, step);
    std::vector<LabelledTally> buckets;
    for (int64_t bucket = origin; bucket <= *last; bucket += step) {
        buckets.push_back({time_label(bucket, step), {}});
    }
    for (size_t i = 0; i < runs.size(); ++i) {
        buckets[static_cast<size_t>((ends[i] - origin) / step)].tally.add(runs[i].result);
    }
    return buckets;
}

std::optional<double> produced_per_hour(const std::vector<RunRecord>& runs) {
    if (runs.empty()) {
        return std::nullopt;
    }
    int64_t first = INT64_MAX;
    int64_t last = INT64_MIN;
    for (const RunRecord& run : runs) {
        first = std::min(first, utc_seconds(run.start).value_or(0));
        last = std::max(last, utc_seconds(run.end).value_or(0));
    }
    if (last <= first) {
        return std::nullopt;
    }
    return tally_all(runs).produced * static_cast<double>(HOUR) / static_cast<double>(last - first);
}

}  // namespace station_report

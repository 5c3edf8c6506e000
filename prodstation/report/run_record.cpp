#include "run_record.h"

#include <array>
#include <utility>

namespace station_report {

namespace {

constexpr std::array<std::pair<Outcome, const char*>, 4> OUTCOME_NAMES{{
    {Outcome::produced, "produced"},
    {Outcome::failed, "failed"},
    {Outcome::timing_test_done, "timing test done"},
    {Outcome::cut_short, "cut short"},
}};

}  // namespace

const char* outcome_name(Outcome outcome) {
    for (const auto& [value, name] : OUTCOME_NAMES) {
        if (value == outcome) {
            return name;
        }
    }
    return "";
}

std::optional<Outcome> outcome_from_name(const std::string& name) {
    for (const auto& [value, known] : OUTCOME_NAMES) {
        if (name == known) {
            return value;
        }
    }
    return std::nullopt;
}

const char* chip_name(Chip chip) {
    return chip == Chip::low ? "low" : "high";
}

}  // namespace station_report

// Counting outcomes: the whole session, per drive port and over time.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "run_record.h"

namespace station_report {

struct Tally {
    unsigned produced = 0;
    unsigned failed = 0;
    unsigned timing_tests = 0;
    unsigned cut_short = 0;

    void add(Outcome outcome);
    unsigned runs() const;
    // Produced among produced and failed: a timing test and a run cut short
    // say nothing about the drive. Nothing when no drive got a verdict.
    std::optional<double> yield() const;
};

struct LabelledTally {
    std::string label;  // lines separated by '\n'
    Tally tally;
};

Tally tally_all(const std::vector<RunRecord>& runs);

// One entry per drive number that ran, in drive-number order.
std::vector<LabelledTally> tally_per_port(const std::vector<RunRecord>& runs);

// By the hour in which runs ended, or by the day when the runs span more than
// two days; every hour (day) from the first to the last, empty ones included.
std::vector<LabelledTally> tally_over_time(const std::vector<RunRecord>& runs);

// Drives produced per hour from the first start to the last end.
std::optional<double> produced_per_hour(const std::vector<RunRecord>& runs);

}  // namespace station_report

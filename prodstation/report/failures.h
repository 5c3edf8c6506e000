// Grouping failed runs by the stage they failed in and by their reason.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "run_record.h"

namespace station_report {

struct FailureGroup {
    std::string label;
    unsigned count = 0;
    std::string example;  // the first reason in the group as the tool printed it
};

// The first "ERROR: " line without its prefix, every word that holds a digit
// (a bank, a block, a value) masked as "#" so that like failures group.
std::string failure_reason(const RunRecord& run);
std::string mask_numbers(std::string_view text);

// The four stages in run order, each present even without failures, then a
// group for failures without a stage if there are any.
std::vector<FailureGroup> failures_by_stage(const std::vector<RunRecord>& runs);

// Most frequent first; beyond most_shown groups the rest become one group.
std::vector<FailureGroup> failures_by_reason(const std::vector<RunRecord>& runs, size_t most_shown);

}  // namespace station_report

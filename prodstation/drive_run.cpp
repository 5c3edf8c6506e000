#include "drive_run.h"

#include <algorithm>

namespace station {

namespace {

bool has_option(const DriveRun& run, const std::string& option) {
    return std::find(run.options.begin(), run.options.end(), option) != run.options.end();
}

}  // namespace

Outcome run_result(const DriveRun& run) {
    if (run.exit_code == 0) {
        return has_option(run, "T") ? Outcome::timing_test_done : Outcome::produced;
    }
    const bool tool_reported = !run.console.errors.empty() || run.records.fail_record.has_value();
    return run.interrupted || !tool_reported ? Outcome::cut_short : Outcome::failed;
}

std::string failed_stage(const DriveRun& run) {
    if (run_result(run) != Outcome::failed) {
        return "";
    }
    return stage_name(run.records.fail_record ? run.records.fail_stage : last_stage(run.records));
}

}  // namespace station

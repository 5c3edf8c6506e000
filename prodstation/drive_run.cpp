#include "drive_run.h"

#include <algorithm>

namespace station {

namespace {

bool has_option(const DriveRun& run, const std::string& option) {
    return std::find(run.options.begin(), run.options.end(), option) != run.options.end();
}

}  // namespace

RunResult run_result(const DriveRun& run) {
    if (run.exit_code == 0) {
        return has_option(run, "T") ? RunResult::timing_test_done : RunResult::produced;
    }
    const bool tool_reported = !run.console.errors.empty() || run.records.fail_record.has_value();
    return run.interrupted || !tool_reported ? RunResult::cut_short : RunResult::failed;
}

const char* result_text(RunResult result) {
    switch (result) {
        case RunResult::produced:
            return "produced";
        case RunResult::failed:
            return "failed";
        case RunResult::timing_test_done:
            return "timing test done";
        case RunResult::cut_short:
            return "cut short";
    }
    return "";
}

std::string failed_stage(const DriveRun& run) {
    if (run_result(run) != RunResult::failed) {
        return "";
    }
    return stage_name(run.records.fail_record ? run.records.fail_stage : run.records.stage);
}

}  // namespace station

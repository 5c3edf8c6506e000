#include "result_line.h"

#include <cmath>
#include <ctime>
#include <nlohmann/json.hpp>

namespace station {

namespace {

using Json = nlohmann::ordered_json;

Json text_or_null(const std::optional<std::string>& text) {
    return text ? Json(*text) : Json(nullptr);
}

Json factory_bad(const std::vector<FactoryBad>& lines) {
    Json list = Json::array();
    for (const FactoryBad& bad : lines) {
        list.push_back(
            {{"bank", bad.bank}, {"chip", bad.chip}, {"blocks", bad.blocks}, {"percent", bad.percent}});
    }
    return list;
}

// Without an F option the tool runs with its built-in revision, which its
// start record names.
std::optional<std::string> fw_revision(const DriveRun& run) {
    return run.console.fw_revision ? run.console.fw_revision : run.records.built_in_revision;
}

double seconds(const DriveRun& run) {
    const std::chrono::duration<double> taken = run.ended - run.started;
    return std::round(taken.count() * 10) / 10;
}

}  // namespace

std::string time_text(std::chrono::system_clock::time_point time, const char* format) {
    const std::time_t seconds = std::chrono::system_clock::to_time_t(time);
    char text[64] = {};
    std::strftime(text, sizeof text, format, std::gmtime(&seconds));
    return text;
}

std::string utc_text(std::chrono::system_clock::time_point time) {
    return time_text(time, "%Y-%m-%dT%H:%M:%SZ");
}

std::string result_line(const DriveRun& run) {
    const Outcome result = run_result(run);
    const std::string stage = failed_stage(run);
    const bool failed = result == Outcome::failed;
    const Json line = {
        {"drive", run.drive},
        {"serial", text_or_null(run.console.serial)},
        {"build", text_or_null(run.build)},
        {"fw_revision", text_or_null(fw_revision(run))},
        {"model", text_or_null(run.console.model)},
        {"options", run.options},
        {"start", utc_text(run.start)},
        {"end", utc_text(run.end)},
        {"seconds", seconds(run)},
        {"exit_code", run.exit_code},
        {"result", outcome_name(result)},
        {"stage", stage.empty() ? Json(nullptr) : Json(stage)},
        {"errors", run.console.errors},
        {"fail_record", failed ? text_or_null(run.records.fail_record) : Json(nullptr)},
        {"run_dir", run.run_dir},
        {"factory_bad", factory_bad(run.console.factory_bad)},
    };
    // The tool's texts may hold bytes that are no UTF-8 (a stamp read off a
    // drive): they are written as replacement characters.
    return line.dump(-1, ' ', false, Json::error_handler_t::replace) + "\n";
}

}  // namespace station

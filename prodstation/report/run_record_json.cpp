#include "run_record_json.h"

#include <nlohmann/json.hpp>

#include "utc_time.h"

namespace station_report {

namespace {

using nlohmann::json;

// A member that may be absent or null; any other type than a string is an error.
std::optional<std::string> nullable_string(const json& record, const char* key) {
    const auto member = record.find(key);
    if (member == record.end() || member->is_null()) {
        return std::nullopt;
    }
    return member->get<std::string>();
}

std::vector<std::string> string_list(const json& record, const char* key) {
    const auto member = record.find(key);
    if (member == record.end() || member->is_null()) {
        return {};
    }
    return member->get<std::vector<std::string>>();
}

std::string time_stamp(const json& record, const char* key) {
    auto stamp = record.at(key).get<std::string>();
    if (!utc_seconds(stamp)) {
        throw std::invalid_argument("not a time stamp");
    }
    return stamp;
}

Chip chip_from(const json& entry) {
    const auto name = entry.at("chip").get<std::string>();
    if (name != "low" && name != "high") {
        throw std::invalid_argument("unknown chip");
    }
    return name == "low" ? Chip::low : Chip::high;
}

std::vector<FactoryBad> factory_bad_list(const json& record) {
    std::vector<FactoryBad> list;
    const auto member = record.find("factory_bad");
    if (member == record.end() || member->is_null()) {
        return list;
    }
    for (const json& entry : member->get<std::vector<json>>()) {
        list.push_back({entry.at("bank").get<unsigned>(), chip_from(entry),
                        entry.at("blocks").get<unsigned>(), entry.at("percent").get<double>()});
    }
    return list;
}

RunRecord decode(const json& record) {
    RunRecord run;
    run.drive = record.at("drive").get<int>();
    run.serial = nullable_string(record, "serial");
    run.build = nullable_string(record, "build");
    run.fw_revision = nullable_string(record, "fw_revision");
    run.model = nullable_string(record, "model");
    run.options = string_list(record, "options");
    run.start = time_stamp(record, "start");
    run.end = time_stamp(record, "end");
    run.seconds = record.at("seconds").get<double>();
    run.exit_code = record.at("exit_code").get<int>();
    const auto result = outcome_from_name(record.at("result").get<std::string>());
    if (!result) {
        throw std::invalid_argument("unknown result");
    }
    run.result = *result;
    run.stage = nullable_string(record, "stage");
    run.errors = string_list(record, "errors");
    run.fail_record = nullable_string(record, "fail_record");
    run.run_dir = nullable_string(record, "run_dir").value_or("");
    run.factory_bad = factory_bad_list(record);
    return run;
}

}  // namespace

std::optional<RunRecord> parse_run_record(std::string_view line) {
    try {
        const json record = json::parse(line);
        if (!record.is_object()) {
            return std::nullopt;
        }
        return decode(record);
    } catch (const std::exception&) {
        return std::nullopt;
    }
}

}  // namespace station_report

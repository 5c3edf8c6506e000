#include "station_records.h"

#include <nlohmann/json.hpp>

namespace station {

namespace {

constexpr int START_STATUS = 0;
constexpr int FAIL_STATUS = 4;
constexpr int LAST_PRODUCTION_STAGE = 3;

struct WriteRecord {
    int stage;
    int status;
    std::string text;
};

// A "write" call's stage, status and text; nothing for any other line.
std::optional<WriteRecord> write_record(std::string_view line) {
    const nlohmann::json record = nlohmann::json::parse(line, nullptr, false);
    if (!record.is_object() || record.value("call", "") != "write") {
        return std::nullopt;
    }
    const auto args = record.find("args");
    if (args == record.end() || !args->is_array() || args->size() < 4 || !(*args)[0].is_number_integer() ||
        !(*args)[1].is_number_integer() || !(*args)[3].is_string()) {
        return std::nullopt;
    }
    return WriteRecord{(*args)[0].get<int>(), (*args)[1].get<int>(), (*args)[3].get<std::string>()};
}

void take_record(RecordFacts* facts, const WriteRecord& record) {
    if (record.status == FAIL_STATUS) {
        facts->fail_record = record.text;
        facts->fail_stage = record.stage;
    } else if (record.status == START_STATUS && record.stage == TOOL_START_STAGE) {
        facts->built_in_revision = record.text;
    } else if (record.status == START_STATUS && record.stage >= 0 && record.stage <= LAST_PRODUCTION_STAGE) {
        facts->stages_started.push_back(record.stage);
    }
}

}  // namespace

int last_stage(const RecordFacts& facts) {
    return facts.stages_started.empty() ? NO_STAGE : facts.stages_started.back();
}

RecordFacts read_station_records(std::string_view text) {
    RecordFacts facts;
    while (!text.empty()) {
        const size_t end = text.find('\n');
        if (end == std::string_view::npos) {
            break;  // a line still being written
        }
        if (const auto record = write_record(text.substr(0, end))) {
            take_record(&facts, *record);
        }
        text.remove_prefix(end + 1);
    }
    return facts;
}

std::string stage_name(int stage) {
    switch (stage) {
        case 0:
            return "SATA/SDRAM test";
        case 1:
            return "module test";
        case 2:
            return "flash test";
        case 3:
            return "download";
        default:
            return "";
    }
}

}  // namespace station

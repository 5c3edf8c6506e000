// What a station learns from a tool's station records: the JSON lines the
// example plug-in appends, {"call": ..., "args": [...]}, with any other keys.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace station {

// Stage codes the tool passes with its records.
inline constexpr int NO_STAGE = -1;
inline constexpr int TOOL_START_STAGE = 10;

struct RecordFacts {
    std::vector<int> stages_started;               // every production stage start (0 to 3), in order
    std::optional<std::string> built_in_revision;  // the tool start record's text
    std::optional<std::string> fail_record;
    int fail_stage = NO_STAGE;
};

// The last production stage started; NO_STAGE before the first.
int last_stage(const RecordFacts& facts);

// The facts of a whole record file's text. Lines that are no record are
// passed over.
RecordFacts read_station_records(std::string_view text);

// "SATA/SDRAM test", "module test", "flash test", "download"; empty for
// another code.
std::string stage_name(int stage);

}  // namespace station

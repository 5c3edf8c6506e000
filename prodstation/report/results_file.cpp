#include "results_file.h"

#include <string>
#include <string_view>

#include "run_record_json.h"

namespace station_report {

namespace {

constexpr std::string_view RECORD_START = "{\"drive\"";

bool blank(std::string_view line) {
    return line.find_first_not_of(" \t\r") == std::string_view::npos;
}

// A record cut off by a power loss has no line end, so the next run's record
// is appended to the same line: the cut-off part is lost, the record behind
// it is kept.
void read_line(std::string_view line, Results& results) {
    if (auto run = parse_run_record(line)) {
        results.runs.push_back(std::move(*run));
        return;
    }
    const size_t next = line.find(RECORD_START, 1);
    if (next == std::string_view::npos) {
        ++results.unreadable_lines;
        return;
    }
    read_line(line.substr(0, next), results);
    read_line(line.substr(next), results);
}

}  // namespace

Results read_results(std::istream& file) {
    Results results;
    for (std::string line; std::getline(file, line);) {
        if (!blank(line)) {
            read_line(line, results);
        }
    }
    return results;
}

}  // namespace station_report

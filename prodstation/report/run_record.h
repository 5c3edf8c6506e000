// One line of the station's results file: how one run of the tool on one
// drive port ended.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace station_report {

enum class Outcome { produced, failed, timing_test_done, cut_short };

enum class Chip { low, high };

// A bank's factory-bad blocks on one chip, as the tool printed them.
struct FactoryBad {
    unsigned bank;
    Chip chip;
    unsigned blocks;
    double percent;
};

struct RunRecord {
    int drive = 0;
    std::optional<std::string> serial;
    std::optional<std::string> build;
    std::optional<std::string> fw_revision;
    std::optional<std::string> model;
    std::vector<std::string> options;
    std::string start;  // UTC, "YYYY-MM-DDTHH:MM:SSZ"
    std::string end;
    double seconds = 0;
    int exit_code = 0;
    Outcome result = Outcome::produced;
    std::optional<std::string> stage;  // failures only
    std::vector<std::string> errors;   // the tool's "ERROR: " lines
    std::optional<std::string> fail_record;
    std::string run_dir;
    std::vector<FactoryBad> factory_bad;
};

// The words the results file uses for an outcome and a chip.
const char* outcome_name(Outcome outcome);
std::optional<Outcome> outcome_from_name(const std::string& name);
const char* chip_name(Chip chip);

}  // namespace station_report

// One run of the tool on one drive port, as the station follows it.
#pragma once

#include <chrono>
#include <optional>
#include <string>
#include <vector>

#include "console_facts.h"
#include "run_record.h"
#include "station_records.h"

namespace station {

using station_report::Outcome;

struct DriveRun {
    unsigned drive = 0;
    std::vector<std::string> options;  // the tool's arguments after the drive number
    std::string run_dir;               // as the operator named it (under the runs directory)
    std::optional<std::string> build;  // the tool's build number, when its folder names it
    ConsoleFacts console;
    RecordFacts records;
    std::chrono::system_clock::time_point start, end;
    std::chrono::steady_clock::time_point started, ended;
    bool running = false;
    bool interrupted = false;  // the station passed the operator's Ctrl-C on
    int exit_code = -1;
};

// How an ended run came out. An exit code 1 without an "ERROR: " line or a
// fail record is a run ended from outside, as by a Ctrl-C.
Outcome run_result(const DriveRun& run);

// The stage a failed run failed in, by its name; empty when it is not known
// or the run did not fail.
std::string failed_stage(const DriveRun& run);

}  // namespace station

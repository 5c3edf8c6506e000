// A drive port of the station: the tool run on it now, or the last one.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "drive_run.h"
#include "platform/child_process.h"

namespace station {

struct StationSettings {
    std::string runs_dir;              // as the operator named it
    std::string tool;                  // the tool's program, an absolute path
    std::optional<std::string> build;  // the tool's build, when its folder names it
    std::vector<std::string> tool_options;
    bool repeat = false;
    bool interactive = false;  // the live table on a terminal, questions answered there
};

struct Port {
    unsigned drive = 0;
    std::vector<std::string> own_options;  // given for this drive alone (DRIVE:S<serial>)
    DriveRun run;
    ChildProcess child;
    bool started = false;
    bool output_ended = false;
    bool counted = false;  // the ended run is in the session's count
    std::string typed;     // the digits of a count being answered
    // What the plain output has told so far.
    size_t told_stages = 0;  // of the run's stage starts
    bool told_serial = false;
};

// Starts a new run on the port in a run directory of its own; false (the
// run ended as cut short, with the reason as its error) when the tool
// cannot be started.
bool start_run(Port* port, const StationSettings& settings);

// Takes the tool's new output and records. True when the run has just ended
// and its line is in the results file.
bool follow_run(Port* port, const StationSettings& settings);

// The results file of the runs directory.
std::string results_path(const StationSettings& settings);

}  // namespace station

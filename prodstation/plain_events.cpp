#include "plain_events.h"

#include <cstdio>

#include "run_summary.h"

namespace station {

namespace {

void tell(unsigned drive, const std::string& text) {
    std::printf("drive %u: %s\n", drive, text.c_str());
    std::fflush(stdout);
}

}  // namespace

void tell_started(const Port& port) {
    tell(port.drive, "started in " + port.run.run_dir);
}

void tell_events(Port* port) {
    const DriveRun& run = port->run;
    // Every stage in turn, even one that began and ended between two looks.
    const std::vector<int>& stages = run.records.stages_started;
    for (; port->told_stages < stages.size(); ++port->told_stages) {
        tell(port->drive, stage_name(stages[port->told_stages]));
    }
    if (run.console.serial && !port->told_serial) {
        port->told_serial = true;
        tell(port->drive, "serial " + *run.console.serial);
    }
}

void tell_ended(const Port& port) {
    tell(port.drive, run_summary(port.run));
}

}  // namespace station

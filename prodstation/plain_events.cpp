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
    if (run.records.stage != port->told_stage && run.records.stage != NO_STAGE) {
        port->told_stage = run.records.stage;
        tell(port->drive, stage_name(run.records.stage));
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

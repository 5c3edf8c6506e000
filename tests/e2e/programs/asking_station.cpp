// The production run of drive 1 in operator mode on the simulated drive, with
// the firmware download left to ask the operator "FTL fragmentation ?": the
// run driver can ask it, the command line never does. Test equipment for the
// operator's dialogue on a terminal.
#include "host_main/station_log.h"
#include "host_mass_production/production_run.h"
#include "platform/memory.h"
#include "run_state/work_block.h"

namespace {

constexpr uint32_t DRIVE_NUMBER = 1;
constexpr int32_t ASK_FOR_FRAGMENTATION = -1;
constexpr int32_t NO_DRIVE_SIDE_TEST = 0;

}  // namespace

int main() {
    work = static_cast<WorkBlock*>(platform::pages_allocate(sizeof(WorkBlock)));
    if (work == nullptr) {
        return 1;
    }
    work->drive = platform::INVALID_DISK_HANDLE;
    station_log_start(DRIVE_NUMBER);
    production_run(DRIVE_NUMBER, true, false, ASK_FOR_FRAGMENTATION, NO_DRIVE_SIDE_TEST);
    station_log_finish();
    return 0;
}

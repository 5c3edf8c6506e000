// The stages this program does not carry yet. A run that reaches one ends as
// a failure, never as a produced drive.
#include <cstdio>

#include "host_main/fatal_error.h"
#include "host_main/station_log.h"
#include "host_mass_production/stages.h"

namespace {

[[noreturn]] void stage_missing(const char* stage) {
    std::printf("ERROR: %s is not available in this program\n", stage);
    station_log_write(STATUS_FAIL, 0, 1, "%s is not available in this program", stage);
    FATAL_ERROR();
}

}  // namespace

void flash_test(uint32_t, bool, bool, uint32_t, uint32_t) {
    stage_missing("flash test");
}

void firmware_download(bool, int32_t) {
    stage_missing("firmware download");
}

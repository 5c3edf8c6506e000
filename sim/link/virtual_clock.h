// The in-process drive's clock: sleeping advances it at once, and calendar
// time moves with it, so the drive's long waits cost nothing.
#pragma once

#include <cstdint>

namespace sim {

uint64_t virtual_milliseconds();

}  // namespace sim

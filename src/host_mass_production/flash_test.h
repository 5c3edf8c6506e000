// What the flash test leaves for the firmware download.
#pragma once

#include <cstdint>

// Expected banks whose blank check passed: fewer than the build's banks means
// the drive was produced before, and the operator must move its jumper back.
extern uint32_t blank_count;

// Bad blocks as a share of one chip's blocks, as the reports print it.
#pragma once

#include <cstdint>

#include "host_actions/bank_geometry.h"

inline double percent_of_chip(uint32_t blocks) {
    return blocks * 100.0 / BLOCKS_PER_CHIP;
}

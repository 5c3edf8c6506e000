// Shared by the end-to-end tests of reworks: a produced drive back from the
// field, and what a later production must have kept of it.
#pragma once

#include <cstdint>
#include <string>

#include "e2e_harness.h"

namespace e2e_rework {

// A drive of the build with factory-bad blocks on every bank, so that a
// rescan tells it from other drives.
std::string drive_with_factory_bad_blocks(uint32_t build, uint32_t seed);

struct AgedDrive {
    std::string serial;  // as the first production's stamp holds it
    std::string log;     // the grown bad blocks, one line each
};

// Produces a new drive of the scenario on the station and ages it by
// `grown_bad_blocks`; false with a message when either fails.
bool produce_and_age(const e2e::Station& station, const std::string& scenario, uint32_t grown_bad_blocks,
                     AgedDrive* aged, std::string* error);

// The faults that ageing left for the grown bad blocks: their erases fail.
bool is_grown_bad_block(const sim::Fault& fault);

// Empty when the drive would boot, its stamp holds the serial and every
// grown bad block (the drive's erase_fail faults) is in its bank's runtime
// list on block-zero page 3; else what is missing.
std::string what_was_lost(const sim::Drive& drive, const AgedDrive& aged);

}  // namespace e2e_rework

// The tool's one random generator: a RANROT-W stream shared by the whole
// process. Its users rely on exact, repeatable values: the SDRAM test
// regenerates its patterns from their seed, and check words, the unlock sector
// and the calibration pattern reach the drive.
#pragma once

#include <cstdint>

// Restarts the stream for every user.
void random_init(uint32_t seed);

// One step of the generator.
uint64_t random_bits();

// Uniform over min..max inclusive; 0x80000000 when max < min. Always one step.
int32_t random_range(int32_t min, int32_t max);

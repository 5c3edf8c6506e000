// The tool's one random generator: a RANROT-W stream shared by the whole
// process. Its users rely on exact, repeatable values: the SDRAM test
// regenerates its patterns from their seed, and check words, the unlock sector
// and the calibration pattern reach the drive.
#pragma once

#include <cstdint>

// Restarts the stream for every user. The stream a seed starts is kept, so
// seeding again with the same seed (every command seeds with the clock's
// second) costs a copy.
void random_init(uint32_t seed);

// One step of the generator.
uint64_t random_bits();

// Uniform over min..max inclusive; 0x80000000 when max < min. Always one step.
int32_t random_range(int32_t min, int32_t max);

// The next count draws of random_range(min, max), made in one loop.
void random_ranges(int32_t min, int32_t max, int32_t* values, uint32_t count);

// Writes every logical unit of the drive once, in a random order, so that
// the drive leaves the factory with a fully mapped FTL whose units lie on
// the physical pages in random order. Units are dealt to the active pairs of
// the banks in strict rotation; a full pair gets its summary page and is
// replaced by a newly allocated one. The host copy of the metadata image
// follows every write; the image in flash is the one installed before.
#pragma once

#include <cstdint>

// Fills the order table (BUILD_FTL_UNITS entries) with a random permutation
// of the unit numbers: 10 swaps per unit, each of two draws from 0 to the
// last unit, continuing the generator's current stream.
void shuffle_units(uint32_t* order);

// Needs build_firmware_context; runs after the system area is installed,
// with the controller in its normal-ECC configuration.
void ftl_fragmentation();

// Reads back the firmware build record (stamp) that an earlier production
// left on block-zero page 4 of every expected bank.
#pragma once

#include <cstdint>

// Copies the stamp (STAMP_BYTES) of the first expected bank whose stamp page
// reads cleanly into destination, or the last page read when none does.
// True when a page read cleanly and begins with the record's magic; false
// also when the work block is not initialized. Leaves the flash controller
// in its normal-ECC configuration.
bool read_stamp(uint8_t* destination);

// The erase of one block of one bank, waited for, with its failure reported
// the way the tool reports a block it could not erase.
#pragma once

#include <cstdint>

// Erases the block on both chips but those in chip_skip (ERASE_SKIP_ bits).
// True when every chip erased succeeded; otherwise false with the failure on
// the console and in the station log trail. Ending the run is the caller's.
bool erase_block(uint32_t bank, uint32_t block, uint32_t chip_skip);

// Block pairs of a bank are handed out lowest first from the bank's free-pair
// bitmap in pair_state; the bank_record counts what is left.
#pragma once

#include <cstdint>

// The lowest free pair of the bank, now marked used. A bank without a free
// pair ends the run: its FTL structures could not be placed.
uint32_t allocate_pair(uint32_t bank_index);

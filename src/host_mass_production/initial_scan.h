// The drive-side scan for the initial bad blocks of the blank banks.
#pragma once

#include <cstdint>

#include "host_actions/bank_selection.h"

inline constexpr uint32_t SCAN_RESULT_SECTORS = 200;

// Lets the drive scan its expected banks and takes into the initial list of
// every selected bank the bad blocks the scan found, then reports each chip's
// share. result_buffer: 512-aligned, SCAN_RESULT_SECTORS sectors. Returns
// only when every selected bank passed; a malformed result or a bank with
// too many bad blocks ends the run.
void scan_initial_bad_blocks(uint8_t* result_buffer, const BankSelection& selected);

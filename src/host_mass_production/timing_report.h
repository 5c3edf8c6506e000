// The report of the flash timing test: error counts per expected bank under
// the reference timing (column R) and the target timing (columns 1 to 3),
// totals per channel and per chip-enable number, and the timing parameters.
#pragma once

#include <cstdint>
#include <cstdio>

void print_timing_report(std::FILE* stream, const uint8_t* record);

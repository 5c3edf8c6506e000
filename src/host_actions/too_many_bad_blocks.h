// The report of a bank with more bad blocks than a drive may ship with.
#pragma once

#include <cstdint>

// Names the bank on the console in the error colour and in the station log
// trail; ending the run is the caller's.
void report_too_many_bad_blocks(uint32_t bank);

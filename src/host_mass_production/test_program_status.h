// What the drive-side test program shows the tool while it runs: its status
// record at sector 2048, polled until the program is complete, and after a
// timing test the rest of the record behind it.
#pragma once

#include <cstdint>

// Polls the status into the start of the data buffer (512-aligned) and shows
// each on standard error until the program reports completion; false when it
// answers wrongly or stops making progress. Errors counted by a NAND flash
// test set *errors_seen.
bool watch_test_program(bool timing_test, uint8_t* data_buffer, bool* errors_seen);

// Reads the two sectors of timing results that follow the status sector into
// the data buffer behind the status, completing the record; false when a
// read fails.
bool read_timing_results(uint8_t* data_buffer);

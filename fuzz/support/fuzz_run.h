// One run of tool code on fuzzed input. The drive is the recording disk of
// the unit tests: a write is taken, a read returns the fuzzed bytes where
// they stand on the disk. A fatal end of the tool (its error lines, then
// exit code 1) is an answer the tool may give to bad input, not a finding:
// it comes back here instead of ending the process.
#pragma once

#include <cstddef>
#include <cstdint>

// A fresh, zero-filled work block with the drive open and initialized, and
// a drive whose reads return zeros.
void start_fuzz_run();

// Reads of the data window (sector 2048 on) return `size` bytes of `data`,
// zeros beyond them.
void serve_at_data_window(const uint8_t* data, size_t size);

// Calls `step`; true when it returned, false when the tool ended fatally.
bool run_to_fatal_end(void (*step)());

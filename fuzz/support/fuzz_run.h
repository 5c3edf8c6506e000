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

// Calls `step`; true when it returned, false when the tool ended fatally.
bool run_to_fatal_end(void (*step)());

// The whole of a drive target: an input of at most `largest` bytes served
// at the data window (sector 2048 on, zeros beyond it) to `step`, run to its end in a fresh run. The result
// is libFuzzer's (-1: the input is not kept).
int run_on_data_window(const uint8_t* data, size_t size, size_t largest, void (*step)());

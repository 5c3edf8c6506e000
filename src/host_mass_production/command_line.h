// The command line: prodtool drive-number [L] [T] [F<revision>] [S<serial>]
// [M<model>] [B<count>] [G<y or n>]. Every check happens here, before
// anything touches a drive.
#pragma once

#include <cstdint>

struct RunOptions {
    uint32_t drive_number;
    bool operator_mode;
    bool timing_test;
    int32_t bist_count;     // -1 when not given
    int32_t fragmentation;  // 0 or 1
};

// Reads the arguments into options and the identity texts. Returns false when
// the argument count means "end at once, exit code 0, print nothing". A bad
// argument ends the process with its message and exit code 1.
bool read_command_line(int argc, const char* const* argv, RunOptions* options);

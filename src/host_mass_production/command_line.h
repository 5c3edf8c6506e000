// The command line: prodtool drive-number [L] [T] [F<revision>] [S<serial>]
// [M<model>] [B<count>] [G<y or n>]. Every check happens here, before
// anything touches a drive.
#pragma once

#include <cstdint>

struct RunOptions {
    uint32_t drive_number;
    bool operator_mode;
    bool timing_test;
    int32_t bist_count;     // -1 when not given, else 0 to FLASH_TEST_COUNT_MAX
    int32_t fragmentation;  // 0 or 1
};

// The most cycles a drive-side test may be asked for: NAND flash test cycles
// (B, or the answer to "Flash BIST count = ") and timing test read cycles (the
// answer to "Flash timing test size = "). A NAND cycle erases, programs and
// reads every block of every chip once: by the datasheet times of the builds'
// parts about 19 minutes on the reference drive (1,048,576 pages a chip at
// 800 us program, 60 us read and 102 us of bus each way), and one of the few
// thousand erase cycles the part is made for. 100 cycles take more than a day
// and wear a few percent of the drive's life; more is a mistake, not a test.
// The request carries the count as one 32-bit word, and the program counts
// three phases a cycle in 32 bits: 100 is far inside both.
inline constexpr uint32_t FLASH_TEST_COUNT_MAX = 100;

// Reads a flash test count as the operator gives it: blanks, an optional
// sign, decimal digits, anything after them ignored; no digits at all is 0.
// False for a count below 0 or above FLASH_TEST_COUNT_MAX.
bool read_flash_test_count(const char* text, uint32_t* count);

// Reads the arguments into options and the identity texts. Returns false when
// the argument count means "end at once, exit code 0, print nothing". A bad
// argument ends the process with its message and exit code 1.
bool read_command_line(int argc, const char* const* argv, RunOptions* options);

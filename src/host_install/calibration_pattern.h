// The calibration pattern of block-zero pages 6 to 8: one page of random
// 16-bit words, one of the word 0xFFFF0000, one of words alternately all
// zero and all one bits.
#pragma once

#include <cstdint>

inline constexpr uint32_t CALIBRATION_FIRST_PAGE = 6;
inline constexpr uint32_t CALIBRATION_PAGES = 3;
inline constexpr uint32_t CALIBRATION_PAGE_BYTES = 8192;
inline constexpr uint32_t CALIBRATION_PATTERN_BYTES = CALIBRATION_PAGES * CALIBRATION_PAGE_BYTES;

// Fills CALIBRATION_PATTERN_BYTES of buffer. Restarts the random generator
// with `seed`.
void make_calibration_pattern(uint32_t seed, uint8_t* buffer);

// Makes the pattern from the current time and writes it to block zero of
// every expected bank; the result of write_block_zero_pages.
int write_calibration_pattern();

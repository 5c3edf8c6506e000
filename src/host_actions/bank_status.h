// The status byte the flash controller holds per bank position after a flash
// operation, and the read that fetches all 32 of them.
#pragma once

#include <cstdint>

inline constexpr uint8_t BANK_STATUS_READ_FAILED = 0x02 | 0x80;
inline constexpr uint8_t BANK_STATUS_NOT_BLANK = 0x04;
inline constexpr uint8_t BANK_STATUS_LOW_FAILED = 0x08;
inline constexpr uint8_t BANK_STATUS_HIGH_FAILED = 0x10;
inline constexpr uint8_t BANK_STATUS_ERASED = 0x20;

// Reads the eight status words of the controller; byte b of the result is
// bank position b. The array is one static array that every call
// overwrites.
const uint8_t* read_bank_status();

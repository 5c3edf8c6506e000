// Flash operation options of the block-zero writes and their read-back. Every
// program has bit 6 set; the low bit selects how the controller treats the
// data kind, clear for the tables and pages of block zero.
#pragma once

#include <cstdint>

inline constexpr uint32_t BLOCK_ZERO_PROGRAM_OPTIONS = 0x46;
inline constexpr uint32_t BLOCK_ZERO_READ_OPTIONS = 0x06;
// A 512-byte part of a raw page, programmed from the controller's page buffer.
inline constexpr uint32_t RAW_PART_PROGRAM_OPTIONS = 0x40;

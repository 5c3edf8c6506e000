// The drive's own verdict on its production: after CMD_RESET_DEVICE the
// drive checks, from NAND alone, everything its firmware needs to start, and
// keeps "would boot" or the first reason it would not.
#pragma once

#include <cstdint>
#include <string>

#include "model/drive.h"

namespace sim {

inline constexpr char WOULD_BOOT[] = "would boot";

// "would boot", or the first reason the firmware would not start. Reads NAND
// as stored; fires no fault and changes nothing.
std::string judge_boot(const Drive& drive);

// The verdict of the device reset, kept with the drive.
void record_boot_verdict(Drive& drive);

// The 512 data bytes of an encoded sector's 256 scrambled words, unscrambled
// with the sector's seed (low 15 bits).
void descramble_sector(const uint8_t* scrambled, uint32_t seed, uint8_t* data);

}  // namespace sim

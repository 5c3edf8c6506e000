// The fixed command sequences that put the drive's controller into a known
// state and ask it simple questions. Each leaves its step in the station log
// trail while it talks to the drive; a channel failure ends the run.
#pragma once

#include <cstdint>

enum SdramSizeCode : uint32_t {
    SDRAM_16_MB = 0,
    SDRAM_32_MB = 1,
    SDRAM_64_MB = 2,
};

// Unlocks factory mode: a command sector of random words that satisfies the
// drive's pair and sum rules, with the mode word for the SDRAM size.
void enable_factory_mode(uint32_t sdram_size_code);

// Finds how much SDRAM answers, by where written test words alias.
uint32_t probe_sdram_size();

// Resets the flash controller with the normal-ECC or the Big-ECC
// configuration word.
void reset_flash_controller(bool big_ecc);

// Resets the NAND chips of all 32 bank positions, populated or not.
void reset_banks();

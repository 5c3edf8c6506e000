// The flash geometry of every build: 32 bank positions, each a low and a high
// 8-bit chip driven together, 8192 blocks per chip, BUILD_PAGES_PER_BLOCK
// pages per block. A page is addressed by its row in each chip.
#pragma once

#include <cstdint>

#include "selected_build.h"

inline constexpr uint32_t BLOCKS_PER_CHIP = 8192;
inline constexpr uint32_t BANK_PAGE_BYTES = 8192;

// A bank the build expects to be populated.
constexpr bool is_expected_bank(uint32_t bank) {
    return (BUILD_BANK_BMP >> (bank % 32)) & 1u;
}

constexpr uint32_t page_row(uint32_t block, uint32_t page) {
    return block * BUILD_PAGES_PER_BLOCK + page;
}

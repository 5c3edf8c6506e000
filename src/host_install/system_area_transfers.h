// The two kinds of flash transfer that carry the system area. A pair page is
// one page of both blocks of a pair on both chips, 16 KB, addressed by the
// pair's row; a block page goes to one block per chip, and the two chips may
// get different blocks.
#pragma once

#include <cstdint>

#include "selected_build.h"

inline constexpr uint32_t PAIR_PAGE_PROGRAM_OPTIONS = 0x47;
inline constexpr uint32_t PAIR_PAGE_READ_OPTIONS = 0x07;
inline constexpr uint32_t BLOCK_PAGE_PROGRAM_OPTIONS = 0x46;
inline constexpr uint32_t BLOCK_PAGE_READ_OPTIONS = 0x06;

constexpr uint32_t pair_page_row(uint32_t pair, uint32_t page) {
    return pair * BUILD_PAGES_PER_BLOCK + page;
}

// The command buffer filled for one program or read of a pair page, or of a
// block page with its low-chip and high-chip rows; wait_flag 1 when the data
// is fetched right after this one command.
void fill_pair_page_program(uint32_t bank, uint32_t sdram_addr, uint32_t byte_count, uint32_t row,
                            uint32_t wait_flag);
void fill_pair_page_read(uint32_t bank, uint32_t sdram_addr, uint32_t row, uint32_t wait_flag);
void fill_block_page_program(uint32_t bank, uint32_t byte_count, uint32_t row_low, uint32_t row_high);
void fill_block_page_read(uint32_t bank, uint32_t byte_count, uint32_t row_low, uint32_t row_high);

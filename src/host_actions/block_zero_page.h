// Reads one page of block zero, the system block, of an expected bank.
#pragma once

#include <cstdint>

enum BlockZeroRead : uint32_t {
    BLOCK_ZERO_REFUSED = 0,
    BLOCK_ZERO_READ = 1,
    BLOCK_ZERO_READ_ERROR = 4,
    BLOCK_ZERO_BLANK = 5,
};

// byte_count: a multiple of 512, at most 8192; buffer: 512-aligned, that
// large. The page's bytes reach the buffer whatever the controller says of
// the read, except when the read is refused (not initialized, bank not
// expected).
BlockZeroRead read_block_zero_page(uint32_t bank, uint32_t page, uint32_t byte_count, uint8_t* buffer);

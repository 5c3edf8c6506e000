// The chip-ID check of one bank. The ID read yields five 16-bit words; word j
// carries ID byte j of the low chip in its low byte and of the high chip in
// its high byte. Byte 0 is the maker code, bytes 1 to 4 the specification ID.
#pragma once

#include <cstdint>

inline constexpr uint32_t FLASH_ID_WORDS = 5;

enum FlashIdResult : uint32_t {
    FLASH_ID_EXPECTED = 0,  // the build's part on both chips
    FLASH_ID_NO_FLASH = 1,  // nothing answered
    FLASH_ID_WRONG = 2,     // wrong or inconsistent IDs
};

// Reports what is wrong only to the station log trail, never to the console.
FlashIdResult check_flash_id(const uint16_t ids[FLASH_ID_WORDS]);

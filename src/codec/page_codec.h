// The controller's on-flash sector format, computed on the host for the pages
// that the tool programs raw but the drive reads through its own error
// correction (firmware and overlay). Each 512-byte sector becomes 270 words:
// 256 scrambled data words, a check word and 13 BCH parity words. Pure
// functions, no state; a page that is wrong in one bit is unreadable.
#pragma once

#include <array>
#include <cstdint>

#include "sector.h"

constexpr int SECTOR_WORDS = 256;
constexpr int PARITY_WORDS = 13;
constexpr int MESSAGE_WORDS = SECTOR_WORDS + 1;  // the data words and the check word
constexpr int ENCODED_SECTOR_WORDS = MESSAGE_WORDS + PARITY_WORDS;
constexpr int ENCODED_SECTOR_BYTES = 2 * ENCODED_SECTOR_WORDS;
constexpr int SECTORS_PER_PAGE = 4;
constexpr int PAGE_CHUNK_BYTES = SECTORS_PER_PAGE * static_cast<int>(SECTOR_BYTES);
constexpr int ENCODED_PAGE_BYTES = SECTORS_PER_PAGE * ENCODED_SECTOR_BYTES;

// Only the low 15 bits of a seed reach the scrambler's shift register.
constexpr uint16_t SEED_MASK = 0x7FFF;

// Generator of the 16-bit-correcting BCH code over GF(2), length 8191,
// shortened here to 4112 message and 208 parity bits. Bit k of the 209-bit
// integer is the coefficient of x^k; word 0 holds bits 0 to 63.
constexpr int BCH_PARITY_BITS = 208;
constexpr std::array<uint64_t, 4> BCH_GENERATOR = {0xB378A601CDD0FDD1, 0xFF07F7AA45FF026F, 0x3F0DBEC563B5FB20,
                                                   0x1CBBE};

// XORed onto the parity words, word 0 first. With the check word's final XOR
// it makes the erased sector (270 words 0xFFFF) a valid encoded sector.
constexpr std::array<uint16_t, PARITY_WORDS> PARITY_MASK = {
    0x86C1, 0x64E2, 0x341B, 0xFC60, 0x426F, 0x94EF, 0x7EEC, 0xD8B3, 0xBDDE, 0x1781, 0x2864, 0xE4A3, 0x96D2};

// XORs the sector's words with the mask stream of the 15-bit shift register
// started from `seed`; seed 0 leaves them unchanged. `scrambled` may be
// `words` itself.
void scramble_sector(const uint16_t* words, uint16_t seed, uint16_t* scrambled);

// The check word over the 256 scrambled data words.
uint16_t sector_check_word(const uint16_t* scrambled);

// The 13 parity words of the 257 message words (scrambled data words, then
// the check word), with PARITY_MASK applied.
void sector_parity(const uint16_t* message, uint16_t* parity);

// One 512-byte sector to its 270 encoded words.
void encode_sector(const uint8_t* sector, uint16_t seed, uint16_t* encoded);

// A 2048-byte chunk to four encoded sectors, 2160 bytes little-endian;
// sector k uses seeds[k] (four entries are read). Nothing after byte 2160 of
// `encoded` is written.
void encode_page(const uint8_t* chunk, const uint16_t* seeds, uint8_t* encoded);

// The scrambler's mask stream, two word pairs (four words) per step. The
// masks of both pairs and the state 64 clocks later are all linear in the
// state, so each is the XOR of one table entry for the state's low byte and
// one for its high seven bits.
#pragma once

#include <array>
#include <cstdint>

#include "codec/page_codec.h"

namespace scrambler {

constexpr int CLOCKS_PER_PAIR = 32;

// Low half: the mask of the even word; high half: that of the odd word.
constexpr uint32_t pair_mask(uint32_t c) {
    uint32_t odd = ((c >> 7) & 0xFF) ^ ((c >> 3) & 0xFF) ^ ((c & 0xFF) << 8);
    uint32_t even = ((((c >> 10) & 0x1E) ^ ((c >> 14) & 1) ^ ((c << 1) & 0xFF) ^ ((c >> 6) & 0x1F)) << 8) ^
                    (((c >> 13) ^ (c >> 9)) & 3) ^ ((c << 2) & 0xFF) ^ ((c >> 6) & 0xFF);
    return even | (odd << 16);
}

// Taps 14 and 10, shifting towards bit 14.
constexpr uint32_t after_pair_clocks(uint32_t c) {
    for (int clock = 0; clock < CLOCKS_PER_PAIR; ++clock) {
        uint32_t new_bit = ((c >> 14) ^ (c >> 10)) & 1;
        c = ((c << 1) & SEED_MASK) | new_bit;
    }
    return c;
}

struct TwoPairStep {
    uint64_t masks;  // words 0 to 3 of the step, word 0 in the low bits
    uint32_t next_state;
};

constexpr TwoPairStep two_pair_step(uint32_t c) {
    uint32_t second = after_pair_clocks(c);
    return {pair_mask(c) | (uint64_t{pair_mask(second)} << 32), after_pair_clocks(second)};
}

template <int ENTRIES, int SHIFT>
constexpr std::array<TwoPairStep, ENTRIES> two_pair_table() {
    std::array<TwoPairStep, ENTRIES> table{};
    for (uint32_t part = 0; part < ENTRIES; ++part) {
        table[part] = two_pair_step(part << SHIFT);
    }
    return table;
}

inline constexpr auto STEP_BY_LOW_BYTE = two_pair_table<256, 0>();
inline constexpr auto STEP_BY_HIGH_BITS = two_pair_table<128, 8>();

// Scrambles four words in place; returns the state for the next four.
inline uint32_t scramble_four_words(uint16_t* words, uint32_t state) {
    const TwoPairStep& low = STEP_BY_LOW_BYTE[state & 0xFF];
    const TwoPairStep& high = STEP_BY_HIGH_BITS[state >> 8];
    uint64_t masks = low.masks ^ high.masks;
    words[0] ^= static_cast<uint16_t>(masks);
    words[1] ^= static_cast<uint16_t>(masks >> 16);
    words[2] ^= static_cast<uint16_t>(masks >> 32);
    words[3] ^= static_cast<uint16_t>(masks >> 48);
    return low.next_state ^ high.next_state;
}

}  // namespace scrambler

// The check word register, two word pairs (64 bits) per step. Over one pair
// value v the register r becomes ((r << 16) ^ v) * x^16 modulo
// x^16 + x^15 + x^2 + 1, followed by the fold that XORs 0xC000 when bit 0 is
// set. Both are linear, so two pair steps together are a linear function of
// the 64-bit value (((r << 16) ^ v0) << 32) ^ v1: eight byte tables.
#pragma once

#include <array>
#include <cstdint>

namespace check_word {

constexpr uint32_t POLYNOMIAL = 0x8005;
constexpr uint32_t PAIR_FOLD = 0xC000;
constexpr uint16_t FINAL_XOR = 0xE9B3;

// One pair value into the register, bit by bit, bit 15 of the odd word first.
constexpr uint32_t after_pair(uint32_t r, uint32_t v) {
    for (int bit = 31; bit >= 0; --bit) {
        uint32_t feedback = ((r >> 15) ^ (v >> bit)) & 1;
        r = (r << 1) & 0xFFFF;
        if (feedback) {
            r ^= POLYNOMIAL;
        }
    }
    if (r & 1) {
        r ^= PAIR_FOLD;
    }
    return r;
}

using ByteTable = std::array<uint16_t, 256>;

// Table k: register 0 after the two pairs of a 64-bit value with only byte k
// set. The tables are linear, so each entry is its lower entry plus the value
// of its lowest set bit.
constexpr std::array<ByteTable, 8> two_pair_tables() {
    std::array<ByteTable, 8> tables{};
    for (int k = 0; k < 8; ++k) {
        for (int bit = 0; bit < 8; ++bit) {
            uint64_t u = uint64_t{1} << (8 * k + bit);
            auto single = static_cast<uint16_t>(
                after_pair(after_pair(0, static_cast<uint32_t>(u >> 32)), static_cast<uint32_t>(u)));
            for (int below = 0; below < (1 << bit); ++below) {
                tables[k][(1 << bit) | below] = tables[k][below] ^ single;
            }
        }
    }
    return tables;
}

inline constexpr auto TWO_PAIRS = two_pair_tables();

inline uint64_t pair_value(const uint16_t* pair) {
    return pair[0] | (uint64_t{pair[1]} << 16);
}

inline uint32_t two_pair_part(int k, uint64_t u) {
    return TWO_PAIRS[k][(u >> (8 * k)) & 0xFF];
}

// The register after four more scrambled words.
inline uint32_t after_four_words(uint32_t r, const uint16_t* words) {
    // The register enters only the top two bytes; the other six are looked
    // up while the previous step is still running.
    uint64_t data = (pair_value(words) << 32) ^ pair_value(words + 2);
    uint32_t from_data = two_pair_part(0, data) ^ two_pair_part(1, data) ^ two_pair_part(2, data) ^
                         two_pair_part(3, data) ^ two_pair_part(4, data) ^ two_pair_part(5, data);
    uint64_t top = data ^ (uint64_t{r} << 48);
    return from_data ^ two_pair_part(6, top) ^ two_pair_part(7, top);
}

}  // namespace check_word

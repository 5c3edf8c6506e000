// The BCH parity register: the remainder of the message times x^208 modulo
// the generator, 64 message bits per step. The 208 bits sit at the top of four
// 64-bit words (word 3 most significant, the 48 lowest bits always zero).
// Feeding bits shifts the register and adds t * x^208 mod g, where t is the
// fed bits XOR the register's top bits; that product is the XOR of one table
// entry per byte of t.
#pragma once

#include <array>
#include <bit>
#include <cstdint>

#include "codec/page_codec.h"

namespace bch {

using Register = std::array<uint64_t, 4>;
using ByteTable = std::array<Register, 256>;

constexpr int UNUSED_LOW_BITS = 256 - BCH_PARITY_BITS;

// Written out word by word so that the register stays in machine registers.
constexpr Register sum(Register a, const Register& b) {
    a[0] ^= b[0];
    a[1] ^= b[1];
    a[2] ^= b[2];
    a[3] ^= b[3];
    return a;
}

// The generator without its x^208 term, aligned like the register: x^208 mod g.
constexpr Register generator_remainder() {
    Register taps{};
    for (int bit = 0; bit < BCH_PARITY_BITS; ++bit) {
        if ((BCH_GENERATOR[bit / 64] >> (bit % 64)) & 1) {
            int at = bit + UNUSED_LOW_BITS;
            taps[at / 64] |= uint64_t{1} << (at % 64);
        }
    }
    return taps;
}

// x^(208 + j) mod g for j = 0 to 63, clocking the register once per power.
constexpr std::array<Register, 64> power_remainders() {
    constexpr Register TAPS = generator_remainder();
    std::array<Register, 64> powers{};
    Register r = TAPS;
    for (int j = 0; j < 64; ++j) {
        powers[j] = r;
        bool carry = r[3] >> 63;
        r = {r[0] << 1, (r[1] << 1) | (r[0] >> 63), (r[2] << 1) | (r[1] >> 63), (r[3] << 1) | (r[2] >> 63)};
        if (carry) {
            r = sum(r, TAPS);
        }
    }
    return powers;
}

// Table k, entry b: (b * x^(8k)) * x^208 mod g.
constexpr std::array<ByteTable, 8> byte_remainder_tables() {
    constexpr auto POWERS = power_remainders();
    std::array<ByteTable, 8> tables{};
    for (int k = 0; k < 8; ++k) {
        for (int byte = 1; byte < 256; ++byte) {
            int lowest_bit = std::countr_zero(static_cast<unsigned>(byte));
            tables[k][byte] = sum(tables[k][byte & (byte - 1)], POWERS[8 * k + lowest_bit]);
        }
    }
    return tables;
}

inline constexpr auto BYTE_REMAINDER = byte_remainder_tables();

inline Register remainder_of_byte(int k, uint64_t t) {
    return BYTE_REMAINDER[k][(t >> (8 * k)) & 0xFF];
}

// The register after four more message words, word 0 first. Forced inline:
// the step is larger than the compiler likes to inline, but called out of
// line the register goes through memory on every step.
[[gnu::always_inline]] inline Register after_four_words(const Register& r, const uint16_t* words) {
    uint64_t t = r[3] ^ (uint64_t{words[0]} << 48) ^ (uint64_t{words[1]} << 32) ^ (uint64_t{words[2]} << 16) ^
                 words[3];
    Register low = sum(sum(remainder_of_byte(0, t), remainder_of_byte(1, t)),
                       sum(remainder_of_byte(2, t), remainder_of_byte(3, t)));
    Register high = sum(sum(remainder_of_byte(4, t), remainder_of_byte(5, t)),
                        sum(remainder_of_byte(6, t), remainder_of_byte(7, t)));
    return sum(sum(Register{0, r[0], r[1], r[2]}, low), high);
}

// Feeds the last message word (the check word) and writes the 13 masked
// parity words, word 0 from the register's top 16 bits.
void finish_parity(Register r, uint16_t check_word, uint16_t* parity);

}  // namespace bch

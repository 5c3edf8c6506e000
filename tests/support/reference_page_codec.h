// The page codec written straight from its definition, one bit at a time:
// the scrambler's shift register clocked bit by bit, the check word register
// bit by bit, and the parity by long division of the message polynomial by
// the generator. Slow and plain; the fast codec must match it exactly.
#pragma once

#include <cstdint>
#include <vector>

#include "codec/page_codec.h"
#include "little_endian.h"

namespace reference {

inline void scramble_sector(const uint16_t* words, uint16_t seed, uint16_t* scrambled) {
    uint32_t c = seed % 0x8000;
    for (int i = 0; i < 128; ++i) {
        uint32_t f = ((c >> 7) & 0xFF) ^ ((c >> 3) & 0xFF) ^ ((c & 0xFF) << 8);
        uint32_t g = ((((c >> 10) & 0x1E) ^ ((c >> 14) & 1) ^ ((c << 1) & 0xFF) ^ ((c >> 6) & 0x1F)) << 8) ^
                     (((c >> 13) ^ (c >> 9)) & 3) ^ ((c << 2) & 0xFF) ^ ((c >> 6) & 0xFF);
        scrambled[2 * i] = static_cast<uint16_t>(words[2 * i] ^ g);
        scrambled[2 * i + 1] = static_cast<uint16_t>(words[2 * i + 1] ^ f);
        for (int clock = 0; clock < 32; ++clock) {
            uint32_t new_bit = ((c >> 14) ^ (c >> 10)) & 1;
            c = ((c << 1) & 0x7FFF) | new_bit;
        }
    }
}

inline uint16_t sector_check_word(const uint16_t* scrambled) {
    uint32_t r = 0;
    for (int i = 0; i < 128; ++i) {
        uint32_t v = scrambled[2 * i + 1] * 65536u + scrambled[2 * i];
        for (int j = 31; j >= 0; --j) {
            uint32_t b = ((r >> 15) ^ (v >> j)) & 1;
            r = (r << 1) & 0xFFFF;
            if (b) {
                r ^= 0x8005;
            }
        }
        if (r & 1) {
            r ^= 0xC000;
        }
    }
    return static_cast<uint16_t>(r ^ 0xE9B3);
}

inline int generator_coefficient(int degree) {
    return (BCH_GENERATOR[degree / 64] >> (degree % 64)) & 1;
}

inline void sector_parity(const uint16_t* message, uint16_t* parity) {
    constexpr int MESSAGE_BITS = 16 * 257;
    // bits[n] is the coefficient of x^(4111 + 208 - n): the message, then
    // 208 zero bits (M(x) * x^208).
    std::vector<int> bits(MESSAGE_BITS + 208, 0);
    for (int n = 0; n < MESSAGE_BITS; ++n) {
        bits[n] = (message[n / 16] >> (15 - n % 16)) & 1;
    }
    for (int n = 0; n < MESSAGE_BITS; ++n) {
        if (bits[n]) {
            for (int k = 0; k <= 208; ++k) {
                bits[n + k] ^= generator_coefficient(208 - k);
            }
        }
    }
    for (int p = 0; p < 13; ++p) {
        uint32_t word = 0;
        for (int b = 0; b < 16; ++b) {
            word = (word << 1) | static_cast<uint32_t>(bits[MESSAGE_BITS + 16 * p + b]);
        }
        parity[p] = static_cast<uint16_t>(word ^ PARITY_MASK[p]);
    }
}

inline void encode_sector(const uint8_t* sector, uint16_t seed, uint16_t* encoded) {
    uint16_t words[256];
    for (int k = 0; k < 256; ++k) {
        words[k] = load_le16(sector + 2 * k);
    }
    scramble_sector(words, seed, encoded);
    encoded[256] = sector_check_word(encoded);
    sector_parity(encoded, encoded + 257);
}

inline void encode_page(const uint8_t* chunk, const uint16_t* seeds, uint8_t* encoded) {
    for (int k = 0; k < 4; ++k) {
        uint16_t words[270];
        encode_sector(chunk + 512 * k, seeds[k], words);
        for (int w = 0; w < 270; ++w) {
            store_le16(encoded + 540 * k + 2 * w, words[w]);
        }
    }
}

}  // namespace reference

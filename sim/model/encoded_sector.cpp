// The flash controller's check of one host-encoded sector: 256 scrambled
// data words, the check word and 13 BCH parity words, 540 bytes in all. It
// is computed here one message bit at a time, independently of the station's
// encoder, so that a wrong encoder shows as an uncorrectable page.
#include <cstring>

#include "little_endian.h"
#include "model/drive.h"

namespace sim {

namespace {

constexpr uint32_t DATA_WORDS = 256;
constexpr uint32_t PARITY_WORDS = 13;
constexpr uint32_t PARITY_BITS = 208;

// The code's generator polynomial, bit k = coefficient of x^k (degree 208).
constexpr char GENERATOR_HEX[] = "1CBBE3F0DBEC563B5FB20FF07F7AA45FF026FB378A601CDD0FDD1";

constexpr uint16_t PARITY_MASK[PARITY_WORDS] = {0x86C1, 0x64E2, 0x341B, 0xFC60, 0x426F, 0x94EF, 0x7EEC,
                                                0xD8B3, 0xBDDE, 0x1781, 0x2864, 0xE4A3, 0x96D2};

// A 208-bit register, bit k in word k / 64.
struct Bits208 {
    uint64_t w[4] = {};
    bool bit(uint32_t k) const {
        return (w[k / 64] >> (k % 64)) & 1;
    }
};

Bits208 generator_low_terms() {
    Bits208 g;
    const uint32_t digits = sizeof GENERATOR_HEX - 1;
    for (uint32_t d = 0; d < digits; ++d) {
        const char c = GENERATOR_HEX[digits - 1 - d];
        const uint32_t nibble = c <= '9' ? c - '0' : c - 'A' + 10;
        for (uint32_t i = 0; i < 4; ++i) {
            const uint32_t k = 4 * d + i;
            if (k < PARITY_BITS && ((nibble >> i) & 1)) {
                g.w[k / 64] |= uint64_t{1} << (k % 64);
            }
        }
    }
    return g;
}

// One step of the division register: shift in one message bit.
void shift_in(Bits208& r, const Bits208& g, bool message_bit) {
    const bool feedback = message_bit != r.bit(PARITY_BITS - 1);
    for (int i = 3; i > 0; --i) {
        r.w[i] = (r.w[i] << 1) | (r.w[i - 1] >> 63);
    }
    r.w[0] <<= 1;
    r.w[3] &= 0xFFFF;  // bits 192 to 207
    if (feedback) {
        for (int i = 0; i < 4; ++i) {
            r.w[i] ^= g.w[i];
        }
    }
}

}  // namespace

uint16_t sector_check_word(const uint16_t* s) {
    uint32_t r = 0;
    for (uint32_t i = 0; i < DATA_WORDS / 2; ++i) {
        const uint32_t v = (uint32_t{s[2 * i + 1]} << 16) | s[2 * i];
        for (int j = 31; j >= 0; --j) {
            const uint32_t b = ((r >> 15) ^ (v >> j)) & 1;
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

void sector_parity(const uint16_t* m, uint16_t* parity) {
    static const Bits208 g = generator_low_terms();
    Bits208 r;
    for (uint32_t n = 0; n <= DATA_WORDS; ++n) {
        for (int bit = 15; bit >= 0; --bit) {
            shift_in(r, g, (m[n] >> bit) & 1);
        }
    }
    for (uint32_t p = 0; p < PARITY_WORDS; ++p) {
        uint16_t word = 0;
        for (uint32_t i = 0; i < 16; ++i) {
            word = static_cast<uint16_t>(word | (r.bit(192 - 16 * p + i) << i));
        }
        parity[p] = word ^ PARITY_MASK[p];
    }
}

bool encoded_sector_valid(const uint8_t* sector) {
    uint16_t words[DATA_WORDS + 1 + PARITY_WORDS];
    for (uint32_t n = 0; n < DATA_WORDS + 1 + PARITY_WORDS; ++n) {
        words[n] = load_le16(sector + 2 * n);
    }
    if (sector_check_word(words) != words[DATA_WORDS]) {
        return false;
    }
    uint16_t parity[PARITY_WORDS];
    sector_parity(words, parity);
    return std::memcmp(parity, words + DATA_WORDS + 1, sizeof parity) == 0;
}

}  // namespace sim

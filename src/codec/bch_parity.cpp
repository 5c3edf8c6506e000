#include "codec/bch_parity.h"

void bch::finish_parity(Register r, uint16_t check_word, uint16_t* parity) {
    uint64_t t = (r[3] >> 48) ^ check_word;
    r = {r[0] << 16, (r[1] << 16) | (r[0] >> 48), (r[2] << 16) | (r[1] >> 48), (r[3] << 16) | (r[2] >> 48)};
    r = sum(sum(r, remainder_of_byte(0, t)), remainder_of_byte(1, t));
    for (int p = 0; p < PARITY_WORDS; ++p) {
        auto bits = static_cast<uint16_t>(r[3 - p / 4] >> (48 - 16 * (p % 4)));
        parity[p] = bits ^ PARITY_MASK[p];
    }
}

void sector_parity(const uint16_t* message, uint16_t* parity) {
    bch::Register r{};
    for (int word = 0; word < SECTOR_WORDS; word += 4) {
        r = bch::after_four_words(r, message + word);
    }
    bch::finish_parity(r, message[SECTOR_WORDS], parity);
}

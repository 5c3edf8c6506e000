#include "codec/scrambler.h"

#include <algorithm>

void scramble_sector(const uint16_t* words, uint16_t seed, uint16_t* scrambled) {
    if (scrambled != words) {
        std::copy_n(words, SECTOR_WORDS, scrambled);
    }
    uint32_t state = seed & SEED_MASK;
    for (int word = 0; word < SECTOR_WORDS; word += 4) {
        state = scrambler::scramble_four_words(scrambled + word, state);
    }
}

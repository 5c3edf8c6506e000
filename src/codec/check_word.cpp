#include "codec/check_word.h"

#include "codec/page_codec.h"

uint16_t sector_check_word(const uint16_t* scrambled) {
    uint32_t r = 0;
    for (int word = 0; word < SECTOR_WORDS; word += 4) {
        r = check_word::after_four_words(r, scrambled + word);
    }
    return static_cast<uint16_t>(r ^ check_word::FINAL_XOR);
}

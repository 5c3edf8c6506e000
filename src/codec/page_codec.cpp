// One pass over the sector runs the scrambler, the check word and the parity
// side by side, four words per step: their dependency chains are independent
// and overlap in the processor. The parity takes the check word last.
#include "codec/page_codec.h"

#include "codec/bch_parity.h"
#include "codec/check_word.h"
#include "codec/scrambler.h"
#include "little_endian.h"

void encode_sector(const uint8_t* sector, uint16_t seed, uint16_t* encoded) {
    uint32_t state = seed & SEED_MASK;
    uint32_t check = 0;
    bch::Register parity{};
    for (int word = 0; word < SECTOR_WORDS; word += 4) {
        encoded[word] = load_le16(sector + 2 * word);
        encoded[word + 1] = load_le16(sector + 2 * word + 2);
        encoded[word + 2] = load_le16(sector + 2 * word + 4);
        encoded[word + 3] = load_le16(sector + 2 * word + 6);
        state = scrambler::scramble_four_words(encoded + word, state);
        check = check_word::after_four_words(check, encoded + word);
        parity = bch::after_four_words(parity, encoded + word);
    }
    encoded[SECTOR_WORDS] = static_cast<uint16_t>(check ^ check_word::FINAL_XOR);
    bch::finish_parity(parity, encoded[SECTOR_WORDS], encoded + MESSAGE_WORDS);
}

void encode_page(const uint8_t* chunk, const uint16_t* seeds, uint8_t* encoded) {
    for (int sector = 0; sector < SECTORS_PER_PAGE; ++sector) {
        uint16_t words[ENCODED_SECTOR_WORDS];
        encode_sector(chunk + SECTOR_BYTES * sector, seeds[sector], words);
        uint8_t* out = encoded + ENCODED_SECTOR_BYTES * sector;
        for (int word = 0; word < ENCODED_SECTOR_WORDS; ++word) {
            store_le16(out + 2 * word, words[word]);
        }
    }
}

#include "codec/page_codec.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <random>
#include <utility>
#include <vector>

#include "little_endian.h"
#include "support/reference_page_codec.h"

namespace {

using Sector = std::array<uint8_t, SECTOR_BYTES>;
using Words = std::array<uint16_t, SECTOR_WORDS>;
using EncodedSector = std::array<uint16_t, ENCODED_SECTOR_WORDS>;
using Parity = std::array<uint16_t, PARITY_WORDS>;

// The seeds the tool encodes its firmware pages with.
constexpr uint16_t FIRMWARE_SEEDS[SECTORS_PER_PAGE] = {0x1157, 0x3485, 0x4626, 0x7307};

std::vector<uint8_t> random_bytes(std::mt19937& rng, size_t count) {
    std::uniform_int_distribution<int> byte(0, 255);
    std::vector<uint8_t> bytes(count);
    for (uint8_t& b : bytes) {
        b = static_cast<uint8_t>(byte(rng));
    }
    return bytes;
}

EncodedSector encode(const Sector& sector, uint16_t seed) {
    EncodedSector encoded;
    encode_sector(sector.data(), seed, encoded.data());
    return encoded;
}

TEST(PageCodec, MatchesBitSerialReferenceOnRandomPages) {
    std::mt19937 rng(20240611);
    std::uniform_int_distribution<int> any_seed(0, 0xFFFF);
    // Edge seeds first (identity, the register's extremes, bit 15 set), then
    // random ones; the data is random throughout.
    std::vector<uint16_t> seeds = {0, 1, 0x4000, 0x7FFF, 0x8000, 0xFFFF, 0x1157, 0x3485};
    while (seeds.size() < 4 * 64) {
        seeds.push_back(static_cast<uint16_t>(any_seed(rng)));
    }
    for (size_t first = 0; first < seeds.size(); first += SECTORS_PER_PAGE) {
        SCOPED_TRACE(testing::Message() << "page of seeds from entry " << first);
        std::vector<uint8_t> chunk = random_bytes(rng, PAGE_CHUNK_BYTES);
        std::vector<uint8_t> words_bytes = random_bytes(rng, 2 * MESSAGE_WORDS);
        uint16_t message[MESSAGE_WORDS];
        for (int k = 0; k < MESSAGE_WORDS; ++k) {
            message[k] = load_le16(&words_bytes[2 * k]);
        }

        Words fast_scrambled, slow_scrambled;
        scramble_sector(message, seeds[first], fast_scrambled.data());
        reference::scramble_sector(message, seeds[first], slow_scrambled.data());
        ASSERT_EQ(fast_scrambled, slow_scrambled) << "seed " << seeds[first];

        ASSERT_EQ(sector_check_word(message), reference::sector_check_word(message));

        Parity fast_parity, slow_parity;
        sector_parity(message, fast_parity.data());
        reference::sector_parity(message, slow_parity.data());
        ASSERT_EQ(fast_parity, slow_parity);

        std::vector<uint8_t> fast_page(ENCODED_PAGE_BYTES), slow_page(ENCODED_PAGE_BYTES);
        encode_page(chunk.data(), &seeds[first], fast_page.data());
        reference::encode_page(chunk.data(), &seeds[first], slow_page.data());
        ASSERT_EQ(fast_page, slow_page);
    }
}

TEST(PageCodec, GeneratorIsProductOfMinimalPolynomialsOfAlphaToAlpha32) {
    // GF(2^13) from x^13 + x^4 + x^3 + x + 1, as power and logarithm tables.
    constexpr int ORDER = 8191;
    std::vector<int> power(ORDER), logarithm(ORDER + 1);
    int element = 1;
    for (int i = 0; i < ORDER; ++i) {
        power[i] = element;
        logarithm[element] = i;
        element <<= 1;
        if (element & 0x2000) {
            element ^= 0x201B;
        }
    }
    ASSERT_EQ(element, 1) << "x^13 + x^4 + x^3 + x + 1 is primitive";

    // The roots of g: alpha^1 to alpha^32 and all their conjugates.
    std::vector<bool> is_root(ORDER, false);
    for (int j = 1; j <= 32; ++j) {
        for (int conjugate = j; !is_root[conjugate]; conjugate = 2 * conjugate % ORDER) {
            is_root[conjugate] = true;
        }
    }

    // g(x) = product of (x + root); coefficient k of x^k, in GF(2^13).
    std::vector<int> g = {1};
    for (int e = 0; e < ORDER; ++e) {
        if (!is_root[e]) {
            continue;
        }
        std::vector<int> product(g.size() + 1, 0);
        for (size_t k = 0; k < g.size(); ++k) {
            product[k + 1] ^= g[k];
            if (g[k] != 0) {
                product[k] ^= power[(logarithm[g[k]] + e) % ORDER];
            }
        }
        g = product;
    }

    ASSERT_EQ(g.size(), static_cast<size_t>(BCH_PARITY_BITS + 1));
    for (int k = 0; k <= BCH_PARITY_BITS; ++k) {
        ASSERT_EQ(g[k], reference::generator_coefficient(k)) << "coefficient of x^" << k;
    }
    for (int k = BCH_PARITY_BITS + 1; k < 256; ++k) {
        ASSERT_EQ((BCH_GENERATOR[k / 64] >> (k % 64)) & 1, 0u) << "bit " << k;
    }
}

struct ZeroSectorCase {
    uint16_t seed;
    std::array<uint16_t, 6> first_words;
    uint16_t check_word;
    Parity parity;
};

TEST(PageCodec, EncodesZeroSectorToKnownWords) {
    const ZeroSectorCase cases[] = {
        {0x1157,
         {0xAF19, 0x5708, 0xF991, 0x7D1D, 0x0042, 0x8113},
         0x19E4,
         {0xF2F2, 0x2BF5, 0x97A3, 0x4212, 0x0307, 0x29DF, 0x17E5, 0x8E38, 0xC270, 0x44FE, 0x6A08, 0x22F4,
          0x2DD5}},
        {0x0000,
         {0, 0, 0, 0, 0, 0},
         0xE9B3,
         {0x69EE, 0x8D1A, 0xC1FC, 0x616E, 0xD764, 0x9712, 0x8F93, 0x0B5F, 0x10E4, 0x8709, 0x6ED8, 0x5E32,
          0xBF20}},
    };
    for (const ZeroSectorCase& c : cases) {
        SCOPED_TRACE(testing::Message() << "seed " << c.seed);
        EncodedSector encoded = encode(Sector{}, c.seed);
        for (size_t k = 0; k < c.first_words.size(); ++k) {
            EXPECT_EQ(encoded[k], c.first_words[k]) << "word " << k;
        }
        EXPECT_EQ(encoded[SECTOR_WORDS], c.check_word);
        for (int p = 0; p < PARITY_WORDS; ++p) {
            EXPECT_EQ(encoded[MESSAGE_WORDS + p], c.parity[p]) << "parity word " << p;
        }
    }
}

TEST(PageCodec, SeedZeroLeavesDataUnchanged) {
    std::mt19937 rng(7);
    std::vector<uint8_t> bytes = random_bytes(rng, SECTOR_BYTES);
    Sector sector;
    std::copy(bytes.begin(), bytes.end(), sector.begin());
    EncodedSector encoded = encode(sector, 0);
    for (int k = 0; k < SECTOR_WORDS; ++k) {
        ASSERT_EQ(encoded[k], load_le16(&sector[2 * k])) << "word " << k;
    }
}

TEST(PageCodec, ErasedSectorIsACodeword) {
    Sector erased;
    erased.fill(0xFF);
    EncodedSector encoded = encode(erased, 0);
    for (int k = 0; k < ENCODED_SECTOR_WORDS; ++k) {
        EXPECT_EQ(encoded[k], 0xFFFF) << "word " << k;
    }
}

TEST(PageCodec, CheckWordTakesOddWordAsHighHalf) {
    Words words{};
    words[0] = 0x6261;
    words[1] = 0x0063;
    EXPECT_EQ(sector_check_word(words.data()), 0x6DBF);
    std::swap(words[0], words[1]);
    EXPECT_NE(sector_check_word(words.data()), 0x6DBF);
}

TEST(PageCodec, OnlyLow15BitsOfSeedCount) {
    const std::array<uint16_t, 2> same_seeds[] = {{0x9157, 0x1157}, {0x8000, 0x0000}, {0xFFFF, 0x7FFF}};
    std::mt19937 rng(11);
    std::vector<uint8_t> bytes = random_bytes(rng, SECTOR_BYTES);
    Sector sector;
    std::copy(bytes.begin(), bytes.end(), sector.begin());
    for (const auto& [seed, low_bits] : same_seeds) {
        EXPECT_EQ(encode(sector, seed), encode(sector, low_bits)) << "seed " << seed;
    }
}

TEST(PageCodec, PageIsFourIndependentSectorsInOwnSlotBytes) {
    std::mt19937 rng(3);
    std::vector<uint8_t> chunk = random_bytes(rng, PAGE_CHUNK_BYTES);
    // The callers' 2560-byte slot, erased beforehand; the encoder owns only
    // its first 2160 bytes.
    constexpr size_t SLOT_BYTES = 2560;
    std::vector<uint8_t> slot(SLOT_BYTES, 0xFF);
    encode_page(chunk.data(), FIRMWARE_SEEDS, slot.data());

    for (size_t b = ENCODED_PAGE_BYTES; b < SLOT_BYTES; ++b) {
        ASSERT_EQ(slot[b], 0xFF) << "byte " << b << " after the encoded page";
    }
    for (int k = 0; k < SECTORS_PER_PAGE; ++k) {
        SCOPED_TRACE(testing::Message() << "sector " << k);
        EncodedSector alone;
        encode_sector(&chunk[SECTOR_BYTES * k], FIRMWARE_SEEDS[k], alone.data());
        for (int w = 0; w < ENCODED_SECTOR_WORDS; ++w) {
            ASSERT_EQ(load_le16(&slot[ENCODED_SECTOR_BYTES * k + 2 * w]), alone[w]) << "word " << w;
        }

        std::vector<uint8_t> changed = chunk;
        changed[SECTOR_BYTES * k + 37] ^= 0x10;
        std::vector<uint8_t> changed_slot(SLOT_BYTES, 0xFF);
        encode_page(changed.data(), FIRMWARE_SEEDS, changed_slot.data());
        size_t own_first = ENCODED_SECTOR_BYTES * k;
        size_t own_end = own_first + ENCODED_SECTOR_BYTES;
        bool own_sector_changed = false;
        for (size_t b = 0; b < SLOT_BYTES; ++b) {
            bool inside = b >= own_first && b < own_end;
            if (inside) {
                own_sector_changed |= changed_slot[b] != slot[b];
            } else {
                ASSERT_EQ(changed_slot[b], slot[b]) << "byte " << b << " outside the changed sector";
            }
        }
        EXPECT_TRUE(own_sector_changed);
    }
}

}  // namespace

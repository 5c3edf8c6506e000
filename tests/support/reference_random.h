// RANROT-W (17 entries of two words, distance 10, rotations 19 and 27), written
// apart from the tool's generator so that a test can compute the values a
// drive must receive without going through the tool's own code.
#pragma once

#include <bit>
#include <cstdint>

struct ReferenceRandom {
    static constexpr uint32_t ENTRIES = 17;
    uint32_t lo[ENTRIES];
    uint32_t hi[ENTRIES];
    uint32_t p1 = 0;
    uint32_t p2 = 10;

    explicit ReferenceRandom(uint32_t seed) {
        uint32_t x = seed;
        for (uint32_t e = 0; e < ENTRIES; ++e) {
            x = x * 2891336453u + 1;
            lo[e] = x;
            x = x * 2891336453u + 1;
            hi[e] = x;
        }
        for (int warm_up = 0; warm_up < 31; ++warm_up) {
            bits();
        }
    }

    uint64_t bits() {
        const uint32_t new_lo = std::rotl(hi[p1], 27) + hi[p2];
        const uint32_t new_hi = std::rotl(lo[p1], 19) + lo[p2];
        lo[p1] = new_lo;
        hi[p1] = new_hi;
        p1 = (p1 + ENTRIES - 1) % ENTRIES;
        p2 = (p2 + ENTRIES - 1) % ENTRIES;
        return uint64_t{new_hi} << 32 | new_lo;
    }

    // Uniform from min to max inclusive: the high 64 bits of bits() times the
    // count of values.
    uint32_t range(uint32_t min, uint32_t max) {
        const unsigned __int128 product = static_cast<unsigned __int128>(bits()) * (uint64_t{max - min} + 1);
        return min + static_cast<uint32_t>(product >> 64);
    }
};

#include "codec/random.h"

#include <bit>
#include <cstdlib>
#include <cstring>

namespace {

constexpr int ENTRIES = 17;
constexpr int WORDS = 2 * ENTRIES;
constexpr int INDEX_DISTANCE = 10;
constexpr int ROTATE_LO = 19;
constexpr int ROTATE_HI = 27;
constexpr uint32_t SEED_MULTIPLIER = 2891336453u;
constexpr int WARM_UP_STEPS = 30;

struct Generator {
    uint32_t ring[WORDS];  // entry e: word 2e is lo, word 2e + 1 is hi
    int p1;
    int p2;
    // The ring right after seeding, twice in a row, so that every rotation
    // of it is one contiguous run of 34 words.
    uint32_t initial[2 * WORDS];
    bool self_test;
};

Generator generator;

// The stream has come back to its initial state: it would repeat itself.
bool back_at_initial_state() {
    if (generator.ring[2 * generator.p1] != generator.initial[0]) {
        return false;
    }
    const uint32_t* rotation = generator.initial + WORDS - 2 * generator.p1;
    return std::memcmp(generator.ring, rotation, sizeof generator.ring) == 0;
}

uint64_t step() {
    uint32_t* entry1 = generator.ring + 2 * generator.p1;
    const uint32_t* entry2 = generator.ring + 2 * generator.p2;
    if (generator.self_test && back_at_initial_state()) {
        std::abort();
    }
    const uint32_t new_lo = std::rotl(entry1[1], ROTATE_HI) + entry2[1];
    const uint32_t new_hi = std::rotl(entry1[0], ROTATE_LO) + entry2[0];
    entry1[0] = new_lo;
    entry1[1] = new_hi;
    generator.p1 = generator.p1 == 0 ? ENTRIES - 1 : generator.p1 - 1;
    generator.p2 = generator.p2 == 0 ? ENTRIES - 1 : generator.p2 - 1;
    return (static_cast<uint64_t>(new_hi) << 32) | new_lo;
}

}  // namespace

void random_init(uint32_t seed) {
    uint32_t x = seed;
    for (uint32_t& word : generator.ring) {
        x = x * SEED_MULTIPLIER + 1;
        word = x;
    }
    generator.p1 = 0;
    generator.p2 = INDEX_DISTANCE;
    std::memcpy(generator.initial, generator.ring, sizeof generator.ring);
    std::memcpy(generator.initial + WORDS, generator.ring, sizeof generator.ring);
    generator.self_test = false;
    step();
    generator.self_test = true;
    for (int k = 0; k < WARM_UP_STEPS; ++k) {
        step();
    }
}

uint64_t random_bits() {
    return step();
}

int32_t random_range(int32_t min, int32_t max) {
    const uint64_t x = random_bits();
    const int64_t difference = static_cast<int64_t>(max) - min;
    if (difference < 0) {
        return static_cast<int32_t>(0x80000000u);
    }
    const uint64_t count = static_cast<uint64_t>(difference) + 1;
    const uint64_t lo_part = ((x & 0xFFFFFFFFu) * count) >> 32;
    const uint64_t offset = (lo_part + (x >> 32) * count) >> 32;
    return static_cast<int32_t>(static_cast<uint32_t>(min) + static_cast<uint32_t>(offset));
}

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

struct Stream {
    uint32_t ring[WORDS];  // entry e: word 2e is lo, word 2e + 1 is hi
    int p1;
    int p2;
};

struct Generator {
    Stream stream;
    // The ring right after seeding, twice in a row, so that every rotation
    // of it is one contiguous run of 34 words.
    uint32_t initial[2 * WORDS];
    bool self_test;
    // The stream as the last seed left it after its warm-up. Every command
    // reseeds with the clock's second, so most seeds are the one before.
    Stream seeded;
    uint32_t seed;
    bool has_seed;
};

Generator generator;

// The stream has come back to its initial state: it would repeat itself.
bool back_at_initial_state(const Stream& stream) {
    if (stream.ring[2 * stream.p1] != generator.initial[0]) {
        return false;
    }
    const uint32_t* rotation = generator.initial + WORDS - 2 * stream.p1;
    return std::memcmp(stream.ring, rotation, sizeof stream.ring) == 0;
}

// Inline so that a loop of draws keeps the indices in registers.
inline uint64_t step(Stream& stream) {
    uint32_t* entry1 = stream.ring + 2 * stream.p1;
    const uint32_t* entry2 = stream.ring + 2 * stream.p2;
    if (generator.self_test && back_at_initial_state(stream)) {
        std::abort();
    }
    const uint32_t new_lo = std::rotl(entry1[1], ROTATE_HI) + entry2[1];
    const uint32_t new_hi = std::rotl(entry1[0], ROTATE_LO) + entry2[0];
    entry1[0] = new_lo;
    entry1[1] = new_hi;
    stream.p1 = stream.p1 == 0 ? ENTRIES - 1 : stream.p1 - 1;
    stream.p2 = stream.p2 == 0 ? ENTRIES - 1 : stream.p2 - 1;
    return (static_cast<uint64_t>(new_hi) << 32) | new_lo;
}

// min + floor(x * count / 2^64), from the two halves of x.
inline int32_t scaled(uint64_t x, int32_t min, uint64_t count) {
    const uint64_t lo_part = ((x & 0xFFFFFFFFu) * count) >> 32;
    const uint64_t offset = (lo_part + (x >> 32) * count) >> 32;
    return static_cast<int32_t>(static_cast<uint32_t>(min) + static_cast<uint32_t>(offset));
}

void seed_stream(uint32_t seed) {
    uint32_t x = seed;
    for (uint32_t& word : generator.stream.ring) {
        x = x * SEED_MULTIPLIER + 1;
        word = x;
    }
    generator.stream.p1 = 0;
    generator.stream.p2 = INDEX_DISTANCE;
    std::memcpy(generator.initial, generator.stream.ring, sizeof generator.stream.ring);
    std::memcpy(generator.initial + WORDS, generator.stream.ring, sizeof generator.stream.ring);
    generator.self_test = false;
    step(generator.stream);
    generator.self_test = true;
    for (int k = 0; k < WARM_UP_STEPS; ++k) {
        step(generator.stream);
    }
}

}  // namespace

void random_init(uint32_t seed) {
    if (!generator.has_seed || generator.seed != seed) {
        seed_stream(seed);
        generator.seeded = generator.stream;
        generator.seed = seed;
        generator.has_seed = true;
    }
    // The self-test copy is the same seed's: only the stream starts over.
    generator.stream = generator.seeded;
}

uint64_t random_bits() {
    return step(generator.stream);
}

int32_t random_range(int32_t min, int32_t max) {
    const uint64_t x = random_bits();
    const int64_t difference = static_cast<int64_t>(max) - min;
    if (difference < 0) {
        return static_cast<int32_t>(0x80000000u);
    }
    return scaled(x, min, static_cast<uint64_t>(difference) + 1);
}

void random_ranges(int32_t min, int32_t max, int32_t* values, uint32_t count) {
    const int64_t difference = static_cast<int64_t>(max) - min;
    // A copy of the stream: the values written cannot alias it, so the
    // indices stay in registers for the whole loop.
    Stream stream = generator.stream;
    for (uint32_t i = 0; i < count; ++i) {
        const uint64_t x = step(stream);
        values[i] = difference < 0 ? static_cast<int32_t>(0x80000000u)
                                   : scaled(x, min, static_cast<uint64_t>(difference) + 1);
    }
    generator.stream = stream;
}

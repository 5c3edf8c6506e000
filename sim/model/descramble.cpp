// The controller's page scrambler, undone: each pair of data words was XORed
// with two masks drawn from a 15-bit shift register (taps 14 and 10) that
// starts from the sector's seed and moves 32 steps per pair. XOR undoes XOR.
#include "little_endian.h"
#include "model/verdict.h"

namespace sim {

namespace {

constexpr uint32_t STATE_MASK = 0x7FFF;

uint32_t odd_mask(uint32_t c) {
    return ((c >> 7) & 0xFF) ^ ((c >> 3) & 0xFF) ^ ((c & 0xFF) << 8);
}

uint32_t even_mask(uint32_t c) {
    const uint32_t high = ((c >> 10) & 0x1E) ^ ((c >> 14) & 1) ^ ((c << 1) & 0xFF) ^ ((c >> 6) & 0x1F);
    return (high << 8) ^ (((c >> 13) ^ (c >> 9)) & 3) ^ ((c << 2) & 0xFF) ^ ((c >> 6) & 0xFF);
}

uint32_t clock_32(uint32_t c) {
    for (int step = 0; step < 32; ++step) {
        const uint32_t bit = ((c >> 14) ^ (c >> 10)) & 1;
        c = ((c << 1) & STATE_MASK) | bit;
    }
    return c;
}

}  // namespace

void descramble_sector(const uint8_t* scrambled, uint32_t seed, uint8_t* data) {
    uint32_t c = seed & STATE_MASK;
    for (uint32_t pair = 0; pair < SECTOR / 4; ++pair) {
        const uint32_t at = 4 * pair;
        store_le16(data + at, static_cast<uint16_t>(load_le16(scrambled + at) ^ even_mask(c)));
        store_le16(data + at + 2, static_cast<uint16_t>(load_le16(scrambled + at + 2) ^ odd_mask(c)));
        c = clock_32(c);
    }
}

}  // namespace sim

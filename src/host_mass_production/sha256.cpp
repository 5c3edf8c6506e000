#include "host_mass_production/sha256.h"

#include <algorithm>
#include <bit>
#include <cstring>

namespace {

constexpr uint32_t ROUND_CONSTANTS[64] = {
    0x428a2f98, 0x71374491, 0xb5c0fbcf, 0xe9b5dba5, 0x3956c25b, 0x59f111f1, 0x923f82a4, 0xab1c5ed5,
    0xd807aa98, 0x12835b01, 0x243185be, 0x550c7dc3, 0x72be5d74, 0x80deb1fe, 0x9bdc06a7, 0xc19bf174,
    0xe49b69c1, 0xefbe4786, 0x0fc19dc6, 0x240ca1cc, 0x2de92c6f, 0x4a7484aa, 0x5cb0a9dc, 0x76f988da,
    0x983e5152, 0xa831c66d, 0xb00327c8, 0xbf597fc7, 0xc6e00bf3, 0xd5a79147, 0x06ca6351, 0x14292967,
    0x27b70a85, 0x2e1b2138, 0x4d2c6dfc, 0x53380d13, 0x650a7354, 0x766a0abb, 0x81c2c92e, 0x92722c85,
    0xa2bfe8a1, 0xa81a664b, 0xc24b8b70, 0xc76c51a3, 0xd192e819, 0xd6990624, 0xf40e3585, 0x106aa070,
    0x19a4c116, 0x1e376c08, 0x2748774c, 0x34b0bcb5, 0x391c0cb3, 0x4ed8aa4a, 0x5b9cca4f, 0x682e6ff3,
    0x748f82ee, 0x78a5636f, 0x84c87814, 0x8cc70208, 0x90befffa, 0xa4506ceb, 0xbef9a3f7, 0xc67178f2,
};

uint32_t load_be32(const uint8_t* bytes) {
    return (static_cast<uint32_t>(bytes[0]) << 24) | (static_cast<uint32_t>(bytes[1]) << 16) |
           (static_cast<uint32_t>(bytes[2]) << 8) | bytes[3];
}

void compress(uint32_t state[8], const uint8_t block[64]) {
    uint32_t schedule[64];
    for (int i = 0; i < 16; ++i) {
        schedule[i] = load_be32(block + 4 * i);
    }
    for (int i = 16; i < 64; ++i) {
        const uint32_t s0 =
            std::rotr(schedule[i - 15], 7) ^ std::rotr(schedule[i - 15], 18) ^ (schedule[i - 15] >> 3);
        const uint32_t s1 =
            std::rotr(schedule[i - 2], 17) ^ std::rotr(schedule[i - 2], 19) ^ (schedule[i - 2] >> 10);
        schedule[i] = schedule[i - 16] + s0 + schedule[i - 7] + s1;
    }
    uint32_t v[8];
    std::memcpy(v, state, sizeof v);
    for (int i = 0; i < 64; ++i) {
        const uint32_t s1 = std::rotr(v[4], 6) ^ std::rotr(v[4], 11) ^ std::rotr(v[4], 25);
        const uint32_t choice = (v[4] & v[5]) ^ (~v[4] & v[6]);
        const uint32_t t1 = v[7] + s1 + choice + ROUND_CONSTANTS[i] + schedule[i];
        const uint32_t s0 = std::rotr(v[0], 2) ^ std::rotr(v[0], 13) ^ std::rotr(v[0], 22);
        const uint32_t majority = (v[0] & v[1]) ^ (v[0] & v[2]) ^ (v[1] & v[2]);
        std::memmove(v + 1, v, 7 * sizeof v[0]);
        v[4] += t1;
        v[0] = t1 + s0 + majority;
    }
    for (int i = 0; i < 8; ++i) {
        state[i] += v[i];
    }
}

}  // namespace

void sha256_start(Sha256* hash) {
    static constexpr uint32_t INITIAL[8] = {0x6a09e667, 0xbb67ae85, 0x3c6ef372, 0xa54ff53a,
                                            0x510e527f, 0x9b05688c, 0x1f83d9ab, 0x5be0cd19};
    std::memcpy(hash->state, INITIAL, sizeof INITIAL);
    hash->block_used = 0;
    hash->total_bytes = 0;
}

void sha256_add(Sha256* hash, const uint8_t* bytes, size_t count) {
    hash->total_bytes += count;
    while (count > 0) {
        const size_t take = std::min(count, sizeof hash->block - hash->block_used);
        std::memcpy(hash->block + hash->block_used, bytes, take);
        hash->block_used += take;
        bytes += take;
        count -= take;
        if (hash->block_used == sizeof hash->block) {
            compress(hash->state, hash->block);
            hash->block_used = 0;
        }
    }
}

void sha256_finish(Sha256* hash, uint8_t digest[32]) {
    const uint64_t bits = hash->total_bytes * 8;
    const uint8_t padding_start = 0x80;
    sha256_add(hash, &padding_start, 1);
    const uint8_t zero = 0;
    while (hash->block_used != 56) {
        sha256_add(hash, &zero, 1);
    }
    uint8_t length[8];
    for (int i = 0; i < 8; ++i) {
        length[i] = static_cast<uint8_t>(bits >> (56 - 8 * i));
    }
    sha256_add(hash, length, sizeof length);
    for (int i = 0; i < 8; ++i) {
        for (int j = 0; j < 4; ++j) {
            digest[4 * i + j] = static_cast<uint8_t>(hash->state[i] >> (24 - 8 * j));
        }
    }
}

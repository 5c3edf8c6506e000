// SHA-256 over a byte stream, for the program file's self-check.
#pragma once

#include <cstddef>
#include <cstdint>

struct Sha256 {
    uint32_t state[8];
    uint8_t block[64];
    size_t block_used;
    uint64_t total_bytes;
};

void sha256_start(Sha256* hash);
void sha256_add(Sha256* hash, const uint8_t* bytes, size_t count);
void sha256_finish(Sha256* hash, uint8_t digest[32]);

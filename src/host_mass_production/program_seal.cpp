#include "host_mass_production/program_seal.h"

#include <cstdio>
#include <cstring>
#include <vector>

#include "host_mass_production/sha256.h"

namespace {

constexpr char SEAL_MARK[] = "\nPRODTOOL-SEAL ";
constexpr size_t MARK_CHARS = sizeof SEAL_MARK - 1;
constexpr size_t DIGEST_BYTES = 32;
constexpr size_t TRAILER_BYTES = MARK_CHARS + 2 * DIGEST_BYTES + 1;

bool digest_matches_hex(const uint8_t digest[DIGEST_BYTES], const char* hex) {
    static constexpr char DIGITS[] = "0123456789abcdef";
    for (size_t i = 0; i < DIGEST_BYTES; ++i) {
        if (hex[2 * i] != DIGITS[digest[i] >> 4] || hex[2 * i + 1] != DIGITS[digest[i] & 0xF]) {
            return false;
        }
    }
    return true;
}

bool read_whole_file(const char* path, std::vector<uint8_t>* contents) {
    std::FILE* file = std::fopen(path, "rb");
    if (file == nullptr) {
        return false;
    }
    uint8_t chunk[65536];
    size_t got;
    while ((got = std::fread(chunk, 1, sizeof chunk, file)) > 0) {
        contents->insert(contents->end(), chunk, chunk + got);
    }
    const bool complete = !std::ferror(file);
    std::fclose(file);
    return complete;
}

}  // namespace

bool file_seal_is_intact(const char* path) {
    std::vector<uint8_t> contents;
    if (!read_whole_file(path, &contents) || contents.size() < TRAILER_BYTES) {
        return false;
    }
    const size_t body_bytes = contents.size() - TRAILER_BYTES;
    const char* trailer = reinterpret_cast<const char*>(contents.data() + body_bytes);
    if (std::memcmp(trailer, SEAL_MARK, MARK_CHARS) != 0 || trailer[TRAILER_BYTES - 1] != '\n') {
        return false;
    }
    Sha256 hash;
    sha256_start(&hash);
    sha256_add(&hash, contents.data(), body_bytes);
    uint8_t digest[DIGEST_BYTES];
    sha256_finish(&hash, digest);
    return digest_matches_hex(digest, trailer + MARK_CHARS);
}

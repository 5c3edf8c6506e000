#include "host_mass_production/program_seal.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <string>

#include "host_mass_production/sha256.h"
#include "support/scratch_dir.h"

namespace {

std::string sha256_hex(const std::string& bytes) {
    Sha256 hash;
    sha256_start(&hash);
    sha256_add(&hash, reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
    uint8_t digest[32];
    sha256_finish(&hash, digest);
    std::string hex;
    char pair[3];
    for (uint8_t byte : digest) {
        std::snprintf(pair, sizeof pair, "%02x", byte);
        hex += pair;
    }
    return hex;
}

TEST(Sha256, KnownDigests) {
    EXPECT_EQ(sha256_hex(""), "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855");
    EXPECT_EQ(sha256_hex("abc"), "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
    EXPECT_EQ(sha256_hex("abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq"),
              "248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1");
}

class ProgramSeal : public testing::Test {
  protected:
    ScratchDir scratch;
    std::string path = scratch.file("sealed_program.bin");

    void write_file(const std::string& contents) {
        std::FILE* file = std::fopen(path.c_str(), "wb");
        std::fwrite(contents.data(), 1, contents.size(), file);
        std::fclose(file);
    }
    static std::string sealed(const std::string& body) {
        return body + "\nPRODTOOL-SEAL " + sha256_hex(body) + "\n";
    }
};

TEST_F(ProgramSeal, AcceptsOnlyAnIntactSealedFile) {
    const std::string body(100000, '\x5A');
    std::string damaged_body = sealed(body);
    damaged_body[4321] ^= 0x01;
    std::string damaged_seal = sealed(body);
    damaged_seal[damaged_seal.size() - 2] ^= 0x01;

    const struct {
        const char* what;
        std::string contents;
        bool intact;
    } cases[] = {
        {"sealed", sealed(body), true},
        {"empty body sealed", sealed(""), true},
        {"one bit of the body flipped", damaged_body, false},
        {"one digit of the seal changed", damaged_seal, false},
        {"no seal", body, false},
        {"cut short", sealed(body).substr(0, body.size() + 10), false},
    };
    for (const auto& c : cases) {
        write_file(c.contents);
        EXPECT_EQ(file_seal_is_intact(path.c_str()), c.intact) << c.what;
    }
}

TEST_F(ProgramSeal, MissingFileIsNotIntact) {
    EXPECT_FALSE(file_seal_is_intact((path + ".missing").c_str()));
}

}  // namespace

// The stamp as this build writes it: every field at its offset with the
// values this build's drives are known to carry.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <string>
#include <vector>

#include "images/identity.h"
#include "images/prepare_images.h"
#include "images/stamp.h"
#include "little_endian.h"
#include "platform/environment.h"
#include "support/doubles/fake_clock.h"
#include "support/scratch_dir.h"
#include "support/work_block_fixture.h"

namespace {

struct KnownStampValues {
    uint32_t bootloader_size;
    uint32_t overlay_size;
    uint32_t firmware_size;
    uint32_t build_options;
    uint32_t flash_type;
    uint32_t customer_type;
    uint32_t pcb_type;
    uint32_t bank_bmp;
    uint32_t num_banks;
    uint32_t build_number;
};

constexpr KnownStampValues KNOWN[] = {
    {484, 10776, 51012, 0x0BD1CAFB, 42, 9, 13, 0x00000F0F, 8, 0},
    {484, 10780, 51020, 0x0BD1CAFB, 34, 15, 15, 0x00000F0F, 8, 1916},
    {488, 10776, 50848, 0x0BD1CAFB, 3, 15, 15, 0x0F0F0F0F, 16, 1916},
    {484, 10772, 51020, 0x0BD1CAFB, 8, 9, 13, 0x00000F0F, 8, 0},
    {484, 10460, 49168, 0x03D1CAFB, 8, 9, 13, 0xFFFFFFFF, 32, 0},
};
constexpr const KnownStampValues& known = KNOWN[PRODTOOL_BUILD - 1];

constexpr uint16_t SEEDS[16] = {0x1157, 0x3485, 0x4626, 0x7307, 0x1728, 0x1340, 0x4322, 0x1812,
                                0x1992, 0x0996, 0x7063, 0x7055, 0x3785, 0x2803, 0x5186, 0x4348};

// Puts a value over an identity text the way the command line does: its
// characters and a terminator, the rest of the default behind it.
void set_text(char* text, const char* value) {
    std::memcpy(text, value, std::strlen(value) + 1);
}

std::vector<uint8_t> bytes_of(const char* text, size_t field_bytes) {
    std::vector<uint8_t> field(field_bytes, 0);
    std::memcpy(field.data(), text, std::strlen(text));
    return field;
}

class Stamp : public WorkBlockTest {
  protected:
    void SetUp() override {
        WorkBlockTest::SetUp();
        std::memcpy(saved_revision, fw_revision, sizeof saved_revision);
        std::memcpy(saved_serial, serial_number, sizeof saved_serial);
        std::memcpy(saved_model, model_number, sizeof saved_model);
        ::setenv("TZ", "UTC", 1);
        ::tzset();
        ::setenv("COMPUTERNAME", "STATION-07", 1);
        ::setenv("USERNAME", "operator", 1);
        fake_clock_set_seconds(1262303999);  // 12/31/2009 11:59:59 PM
    }
    void TearDown() override {
        std::memcpy(fw_revision, saved_revision, sizeof saved_revision);
        std::memcpy(serial_number, saved_serial, sizeof saved_serial);
        std::memcpy(model_number, saved_model, sizeof saved_model);
        ::unsetenv("COMPUTERNAME");
        ::unsetenv("USERNAME");
        WorkBlockTest::TearDown();
    }
    uint32_t word(size_t offset) const {
        return load_le32(work->stamp + offset);
    }
    std::vector<uint8_t> field(size_t offset, size_t bytes) const {
        return std::vector<uint8_t>(work->stamp + offset, work->stamp + offset + bytes);
    }
    char saved_revision[FW_REVISION_CHARS + 1];
    char saved_serial[SERIAL_NUMBER_CHARS + 1];
    char saved_model[MODEL_NUMBER_CHARS + 1];
};

TEST_F(Stamp, WordsAtTheirOffsets) {
    store_le32(work->stamp + STAMP_RESERVED_OFFSET, 0xDEADBEEF);
    build_stamp();
    prepare_images();
    const struct {
        size_t offset;
        uint32_t value;
    } words[] = {
        {0, 0xC0C2E003},           {4, known.bootloader_size},
        {8, known.overlay_size},   {12, 0},
        {48, known.firmware_size}, {248, known.build_options},
        {252, known.flash_type},   {256, known.customer_type},
        {260, known.pcb_type},     {264, 65075200},
        {268, known.bank_bmp},     {272, 175000000},
        {276, known.num_banks},    {280, known.build_number},
    };
    for (const auto& expected : words) {
        EXPECT_EQ(word(expected.offset), expected.value) << "offset " << expected.offset;
    }
    EXPECT_EQ(field(0, 4), (std::vector<uint8_t>{0x03, 0xE0, 0xC2, 0xC0}));
    for (int seed = 0; seed < 16; ++seed) {
        EXPECT_EQ(load_le16(work->stamp + 16 + 2 * seed), SEEDS[seed]) << "seed " << seed;
    }
}

TEST_F(Stamp, SystemBlocksOfTheExpectedBanksThenZero) {
    for (uint32_t index = 0; index < BUILD_NUM_BANKS; ++index) {
        work->system_blocks[index] = {static_cast<uint16_t>(0x100 + index),
                                      static_cast<uint16_t>(0x8200 + index)};
    }
    build_stamp();
    for (uint32_t index = 0; index < 32; ++index) {
        const bool expected_bank = index < known.num_banks;
        EXPECT_EQ(load_le16(work->stamp + 52 + 4 * index), expected_bank ? 0x100 + index : 0) << index;
        EXPECT_EQ(load_le16(work->stamp + 54 + 4 * index), expected_bank ? 0x8200 + index : 0) << index;
    }
}

TEST_F(Stamp, IdentityFieldsKeepWhatFollowsATerminator) {
    set_text(serial_number, "ABC123");
    set_text(fw_revision, "12");
    set_text(model_number, "ABC");
    build_stamp();
    EXPECT_EQ(field(180, 20), bytes_of("ABC123", 20));
    EXPECT_EQ(field(200, 8), (std::vector<uint8_t>{'1', '2', 0, '6', 0, 0, 0, 0}));
    std::vector<uint8_t> model = bytes_of("MARDUVEN SKELDRIN-SATA", 40);
    std::memcpy(model.data(), "ABC", 4);
    EXPECT_EQ(field(208, 40), model);
}

TEST_F(Stamp, FullLengthSerialHasNoTerminatorInItsField) {
    set_text(serial_number, "S0123456789ABCDEFGHZ");
    build_stamp();
    EXPECT_EQ(field(180, 20), bytes_of("S0123456789ABCDEFGHZ", 20));
    EXPECT_EQ(field(200, 4), bytes_of("1916", 4));
}

TEST_F(Stamp, BuildAndStationTexts) {
    build_stamp();
    char directory[512] = {};
    ASSERT_TRUE(platform::current_directory(directory, sizeof directory));
    const struct {
        size_t offset;
        size_t bytes;
        const char* text;
    } texts[] = {
        {284, 512, BUILD_FW_SOURCE_PATH},
        {796, 32, BUILD_FW_BUILD_DATE},
        {828, 32, BUILD_FW_BUILD_HOST},
        {860, 32, BUILD_FW_BUILD_USER},
        {892, 512, directory},
        {1404, 32, "12/31/2009 11:59:59 PM"},
        {1436, 32, "STATION-07"},
        {1468, 32, "operator"},
    };
    for (const auto& expected : texts) {
        EXPECT_EQ(field(expected.offset, expected.bytes), bytes_of(expected.text, expected.bytes))
            << "offset " << expected.offset;
    }
}

TEST_F(Stamp, StationFieldsWhenTheStationGivesLittle) {
    ::unsetenv("COMPUTERNAME");
    ::setenv("USERNAME", "an-operator-name-of-forty-characters-xyz", 1);
    fake_clock_set_seconds(-1);
    std::memset(work->stamp + 1436, 'x', 32);
    build_stamp();
    EXPECT_EQ(work->stamp[1436], 0);
    EXPECT_EQ(field(1468, 32), bytes_of("an-operator-name-of-forty-chara", 32));
    EXPECT_EQ(field(1404, 32), bytes_of("Invalid DateTime", 32));
}

TEST_F(Stamp, DirectoryTooLongForItsFieldLeavesItZero) {
    const std::filesystem::path start = std::filesystem::current_path();
    const ScratchDir scratch;
    std::filesystem::path deep = scratch.path;
    while (deep.string().size() < 600) {
        deep /= std::string(60, 'd');
    }
    std::filesystem::create_directories(deep);
    std::filesystem::current_path(deep);
    build_stamp();
    std::filesystem::current_path(start);
    EXPECT_EQ(field(892, 512), std::vector<uint8_t>(512, 0));
}

}  // namespace

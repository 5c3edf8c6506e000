#include <gtest/gtest.h>

#include "drive_fixture.h"

namespace sim::testing {
namespace {

constexpr uint16_t ZERO_SECTOR_CHECK = 0xE9B3;
constexpr uint16_t ZERO_SECTOR_PARITY[13] = {0x69EE, 0x8D1A, 0xC1FC, 0x616E, 0xD764, 0x9712, 0x8F93,
                                             0x0B5F, 0x10E4, 0x8709, 0x6ED8, 0x5E32, 0xBF20};
constexpr uint32_t SLOT = 2560;
constexpr uint32_t ENCODED = 540;

// A slot as the station sends it: an all-zero sector encoded with seed 0,
// three erased sectors, then 0xFF.
std::vector<uint8_t> known_good_slot() {
    std::vector<uint8_t> slot(SLOT, 0xFF);
    std::fill_n(slot.begin(), 512, 0);
    store_le16(slot.data() + 512, ZERO_SECTOR_CHECK);
    for (uint32_t p = 0; p < 13; ++p) {
        store_le16(slot.data() + 514 + 2 * p, ZERO_SECTOR_PARITY[p]);
    }
    return slot;
}

void program_raw(Drive& drive, uint32_t bank, uint32_t row, const std::vector<uint8_t>& slot) {
    write_window(drive, slot);
    const uint32_t parts = static_cast<uint32_t>(slot.size()) / SECTOR;
    for (uint32_t j = 0; j < parts; ++j) {
        Words copy = command(CMD_BUFFER_COPY);
        copy[1] = 1;
        copy[23] = DATA_WINDOW + SECTOR * j;
        copy[24] = NO_ADDRESS;
        copy[26] = SECTOR;
        send(drive, copy);
        const uint32_t sub_op = j == 0 ? FOP_PART_FIRST : j + 1 == parts ? FOP_PART_LAST : FOP_PART;
        flash_op(drive, {.sub_op = sub_op, .bank = bank, .options = 0x40, .byte_count = SECTOR, .row = row});
    }
}

TEST(SectorCheck, MatchesKnownCodewords) {
    uint16_t words[257] = {};
    words[0] = 0x6261;
    words[1] = 0x0063;
    EXPECT_EQ(sector_check_word(words), 0x6DBF);

    uint16_t zero[257] = {};
    zero[256] = ZERO_SECTOR_CHECK;
    uint16_t parity[13];
    sector_parity(zero, parity);
    EXPECT_TRUE(std::equal(parity, parity + 13, ZERO_SECTOR_PARITY));

    uint8_t erased[ENCODED];
    std::fill_n(erased, ENCODED, 0xFF);
    EXPECT_TRUE(encoded_sector_valid(erased));
}

TEST(RawPage, ReadsBackTheScrambledDataOfItsSectorsThenFF) {
    std::unique_ptr<Drive> drive = ready_drive();
    reset_controller(*drive, true);
    program_raw(*drive, 0, 9, known_good_slot());
    const std::vector<uint8_t> page = read_page(*drive, 0, 9, SLOT);
    EXPECT_EQ(bank_status(*drive, 0), 0);
    EXPECT_TRUE(std::all_of(page.begin(), page.begin() + 512, [](uint8_t b) { return b == 0; }));
    EXPECT_TRUE(std::all_of(page.begin() + 512, page.end(), [](uint8_t b) { return b == 0xFF; }));
    EXPECT_EQ(drive->violation_count, 0u);
}

TEST(RawPage, AnySectorThatDoesNotCheckMakesThePageUncorrectable) {
    const uint32_t flipped_bytes[] = {0, 300, 512, 513, 514, 539, ENCODED + 17, 3 * ENCODED + 539};
    for (const uint32_t at : flipped_bytes) {
        SCOPED_TRACE(at);
        std::unique_ptr<Drive> drive = ready_drive();
        reset_controller(*drive, true);
        std::vector<uint8_t> slot = known_good_slot();
        slot[at] ^= 0x10;
        program_raw(*drive, 0, 9, slot);
        read_page(*drive, 0, 9, SLOT);
        EXPECT_EQ(bank_status(*drive, 0), STATUS_UNCORRECTABLE);
    }
}

TEST(RawPage, ReadUnderTheOtherConfigurationIsUncorrectable) {
    std::unique_ptr<Drive> drive = ready_drive();
    reset_controller(*drive, true);
    program_raw(*drive, 0, 9, known_good_slot());
    reset_controller(*drive, false);
    read_page(*drive, 0, 9, SLOT);
    EXPECT_EQ(bank_status(*drive, 0), STATUS_UNCORRECTABLE);
}

}  // namespace
}  // namespace sim::testing

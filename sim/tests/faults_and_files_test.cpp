#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>

#include "drive_fixture.h"
#include "model/scenario.h"
#include "support/scratch_dir.h"

namespace sim::testing {
namespace {

constexpr uint32_t ROW = 128;

TEST(Faults, FireOnlyWhereAddressedAndAsOftenAsAllowed) {
    std::unique_ptr<Drive> drive = ready_drive();
    drive->faults.push_back({.kind = FaultKind::erase_fail, .bank = 1, .chip = LOW, .block = 50, .times = 1});
    flash_op(*drive, {.sub_op = FOP_ERASE, .bank = 1, .row = 51 * ROW});
    EXPECT_EQ(bank_status(*drive, 1), 0);
    flash_op(*drive, {.sub_op = FOP_ERASE, .bank = 2, .row = 50 * ROW});
    EXPECT_EQ(bank_status(*drive, 2), 0);
    flash_op(*drive, {.sub_op = FOP_ERASE, .bank = 1, .row = 50 * ROW});
    EXPECT_EQ(bank_status(*drive, 1), STATUS_LOW_FAILED);
    flash_op(*drive, {.sub_op = FOP_ERASE, .bank = 1, .row = 50 * ROW});
    EXPECT_EQ(bank_status(*drive, 1), 0);
}

TEST(Faults, CommandCountArmsAFault) {
    std::unique_ptr<Drive> drive = ready_drive();
    const uint64_t now = drive->counters.commands;
    drive->faults.push_back({.kind = FaultKind::link_write_fail, .sector = 0, .after = now + 2});
    uint8_t sector[SECTOR] = {};
    EXPECT_TRUE(disk_write(*drive, 0, sector, SECTOR));
    EXPECT_TRUE(disk_write(*drive, SECTOR, sector, SECTOR));
    EXPECT_TRUE(disk_write(*drive, 0, sector, SECTOR));
    EXPECT_FALSE(disk_write(*drive, 0, sector, SECTOR));
    EXPECT_TRUE(disk_write(*drive, SECTOR, sector, SECTOR));
    drive->faults.push_back({.kind = FaultKind::link_read_fail});
    EXPECT_FALSE(disk_read(*drive, SECTOR, sector, SECTOR));
}

TEST(Faults, ReadFaultsDamageOnlyTheirPage) {
    std::unique_ptr<Drive> drive = ready_drive();
    const std::vector<uint8_t> data(SECTOR, 0x3C);
    program(*drive, 0, 10, data);
    program(*drive, 0, 11, data);
    drive->faults.push_back({.kind = FaultKind::read_differs, .bank = 0, .block = 0, .page = 10, .value = 7});
    drive->faults.push_back({.kind = FaultKind::read_uncorrectable, .bank = 0, .block = 0, .page = 11});
    std::vector<uint8_t> differing = read_page(*drive, 0, 10, SECTOR);
    EXPECT_EQ(bank_status(*drive, 0), 0);
    EXPECT_EQ(differing[7], 0x3D);
    differing[7] = 0x3C;
    EXPECT_EQ(differing, data);
    read_page(*drive, 0, 11, SECTOR);
    EXPECT_EQ(bank_status(*drive, 0), STATUS_UNCORRECTABLE);
}

TEST(Faults, FailedProgramReportsAndReadsUncorrectable) {
    std::unique_ptr<Drive> drive = ready_drive();
    drive->faults.push_back(
        {.kind = FaultKind::program_fail, .bank = 3, .chip = HIGH, .block = 0, .page = 4});
    program(*drive, 3, 4, std::vector<uint8_t>(2048, 0));
    EXPECT_EQ(bank_status(*drive, 3), STATUS_HIGH_FAILED);
    read_page(*drive, 3, 4, 2048);
    EXPECT_EQ(bank_status(*drive, 3), STATUS_UNCORRECTABLE);
}

TEST(DriveFile, KeepsEveryLastingPartOfTheDrive) {
    std::string error;
    std::unique_ptr<Drive> drive = drive_from_scenario(
        R"({"build": 3, "sdram_mb": 32, "jumper": "normal", "banks": [0, 5],
            "ids": [{"bank": 5, "chip": "high", "id": "98 D7 D5 29 38"}],
            "bad_blocks": [{"bank": 0, "chip": "low", "block": 17}],
            "faults": [{"kind": "erase_fail", "bank": 5, "block": 9, "times": 2}]})",
        &error);
    ASSERT_TRUE(drive) << error;
    drive->config.factory_jumper = true;
    send(*drive, enable_sector());
    reset_controller(*drive, true);
    flash_op(*drive, {.sub_op = FOP_RESET, .bank = 0});
    program(*drive, 0, 4, std::vector<uint8_t>(2048, 0x42));
    send(*drive, command(0x77));
    drive->config.factory_jumper = false;

    const ScratchDir scratch;
    const std::string path = scratch.file("drive");
    ASSERT_TRUE(save_drive(*drive, path, &error)) << error;
    std::unique_ptr<Drive> loaded = load_drive(path, &error);
    ASSERT_TRUE(loaded) << error;
    EXPECT_EQ(loaded->config.build, 3u);
    EXPECT_EQ(loaded->config.pages_per_block, 64u);
    EXPECT_EQ(loaded->config.sdram_mb, 32u);
    EXPECT_FALSE(loaded->config.factory_jumper);
    EXPECT_TRUE(loaded->banks[5].present);
    EXPECT_FALSE(loaded->banks[1].present);
    EXPECT_EQ(loaded->banks[5].chips[HIGH].id[0], 0x98);
    EXPECT_TRUE(loaded->banks[0].chips[LOW].blocks[17].factory_bad);
    ASSERT_EQ(loaded->faults.size(), 1u);
    EXPECT_EQ(loaded->faults[0].times, 2u);
    EXPECT_EQ(loaded->violation_count, 1u);
    EXPECT_EQ(loaded->counters.commands, drive->counters.commands);
    const uint32_t entry = chip_page_entry(*loaded, 0, LOW, 0, 4);
    EXPECT_EQ(entry & ~PAGE_CONTENT, PAGE_PROGRAMMED | PAGE_BIG_ECC);
    EXPECT_EQ(loaded->banks[0].chips[LOW].blocks[0].next_page, 5);
    uint8_t page[BANK_PAGE_BYTES];
    stored_bank_page(*loaded, 0, 0, 4, page);
    EXPECT_TRUE(std::all_of(page, page + 2048, [](uint8_t b) { return b == 0x42; }));
    EXPECT_TRUE(std::all_of(page + 2048, page + BANK_PAGE_BYTES, [](uint8_t b) { return b == 0xFF; }));
}

TEST(DriveFile, IdenticalPagesAreStoredOnce) {
    std::unique_ptr<Drive> drive = ready_drive(5);
    for (uint32_t bank = 0; bank < BANK_POSITIONS; ++bank) {
        for (uint32_t row = ROW; row < 2 * ROW; ++row) {
            flash_op(*drive, {.sub_op = FOP_PROGRAM,
                              .bank = bank,
                              .options = 0x47,
                              .sdram_addr = DATA_WINDOW,
                              .byte_count = SECTOR,
                              .row = row,
                              .wait = 0});
        }
    }
    send(*drive, command(CMD_FLASH_SYNC));
    ASSERT_EQ(drive->violation_count, 0u);
    const ScratchDir scratch;
    const std::string path = scratch.file("drive");
    std::string error;
    ASSERT_TRUE(save_drive(*drive, path, &error)) << error;
    // 32 banks x 2 chips x 2 blocks x 128 pages, one run per block.
    EXPECT_LT(std::filesystem::file_size(path), 20000u);
}

TEST(Scenario, RejectsWhatItDoesNotKnow) {
    const char* scenarios[] = {
        R"({"build": 6})",
        R"({"bilud": 1})",
        R"({"sdram_mb": 48})",
        R"({"faults": [{"kind": "meteor"}]})",
        R"({"bad_blocks": [{"bank": 0, "block": 9000}]})",
        R"({"ids": [{"bank": 0, "id": [1, 2, 3]}]})",
        R"({"build": 1,)",
    };
    for (const char* scenario : scenarios) {
        SCOPED_TRACE(scenario);
        std::string error;
        EXPECT_FALSE(drive_from_scenario(scenario, &error));
        EXPECT_FALSE(error.empty());
    }
}

TEST(Scenario, DensitySpreadsBadBlocksReproduciblyAndSparesBlockZero) {
    std::string error;
    const char* text = R"({"build": 1, "bad_block_density": {"per_mille": 20, "seed": 7}})";
    std::unique_ptr<Drive> a = drive_from_scenario(text, &error), b = drive_from_scenario(text, &error);
    ASSERT_TRUE(a && b) << error;
    uint32_t bad = 0;
    for (uint32_t block = 0; block < BLOCKS_PER_CHIP; ++block) {
        const bool marked = a->banks[8].chips[HIGH].blocks[block].factory_bad;
        EXPECT_EQ(marked, b->banks[8].chips[HIGH].blocks[block].factory_bad);
        bad += marked;
    }
    EXPECT_FALSE(a->banks[8].chips[HIGH].blocks[0].factory_bad);
    EXPECT_GT(bad, 100u);
    EXPECT_LT(bad, 240u);
}

}  // namespace
}  // namespace sim::testing

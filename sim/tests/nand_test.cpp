#include <gtest/gtest.h>

#include "drive_fixture.h"

namespace sim::testing {
namespace {

std::vector<uint8_t> pattern(uint32_t bytes, uint8_t seed) {
    std::vector<uint8_t> data(bytes);
    for (uint32_t i = 0; i < bytes; ++i) {
        data[i] = static_cast<uint8_t>(seed + i * 7);
    }
    return data;
}

constexpr uint32_t ROW = 128;  // rows per block in the reference build

TEST(NandRules, APageIsProgrammedOnceAndInAscendingOrder) {
    std::unique_ptr<Drive> drive = ready_drive();
    program(*drive, 0, 5 * ROW + 2, pattern(SECTOR, 1));
    EXPECT_EQ(drive->violation_count, 0u);

    program(*drive, 0, 5 * ROW + 2, pattern(SECTOR, 2));  // again
    program(*drive, 0, 5 * ROW + 1, pattern(SECTOR, 3));  // below the last
    EXPECT_EQ(drive->violation_count, 4u);                // each on both chips
    EXPECT_EQ(bank_status(*drive, 0), STATUS_LOW_FAILED | STATUS_HIGH_FAILED);
    EXPECT_EQ(read_page(*drive, 0, 5 * ROW + 2, SECTOR), pattern(SECTOR, 1));

    flash_op(*drive, {.sub_op = FOP_ERASE, .bank = 0, .row = 5 * ROW});
    EXPECT_EQ(bank_status(*drive, 0), 0);
    program(*drive, 0, 5 * ROW + 1, pattern(SECTOR, 3));
    EXPECT_EQ(drive->violation_count, 4u);
    EXPECT_EQ(read_page(*drive, 0, 5 * ROW + 1, SECTOR), pattern(SECTOR, 3));
}

TEST(NandRules, FactoryBadBlockFailsEraseAndProgramOnItsChip) {
    std::unique_ptr<Drive> drive = ready_drive();
    drive->banks[9].chips[HIGH].blocks[77].factory_bad = true;
    flash_op(*drive, {.sub_op = FOP_ERASE, .bank = 9, .row = 77 * ROW});
    EXPECT_EQ(bank_status(*drive, 9), STATUS_HIGH_FAILED);
    flash_op(*drive, {.sub_op = FOP_ERASE, .bank = 9, .options = 0x20, .row = 77 * ROW});
    EXPECT_EQ(bank_status(*drive, 9), 0);  // high chip left alone
    program(*drive, 9, 77 * ROW, pattern(SECTOR, 0));
    EXPECT_EQ(bank_status(*drive, 9), STATUS_HIGH_FAILED);
    EXPECT_EQ(drive->violation_count, 0u);
}

TEST(NandLayout, BankPageInterleavesTheChipsAndPairPageSpansTwoBlocks) {
    std::unique_ptr<Drive> drive = ready_drive();
    const std::vector<uint8_t> data = pattern(PAIR_PAGE_BYTES, 9);
    program(*drive, 1, 3 * ROW + 4, data, 0x47);  // pair 3: blocks 6 and 7
    const std::vector<uint8_t> first = read_page(*drive, 1, 6 * ROW + 4, BANK_PAGE_BYTES);
    const std::vector<uint8_t> second = read_page(*drive, 1, 7 * ROW + 4, BANK_PAGE_BYTES);
    EXPECT_TRUE(std::equal(first.begin(), first.end(), data.begin()));
    EXPECT_TRUE(std::equal(second.begin(), second.end(), data.begin() + BANK_PAGE_BYTES));

    uint8_t low[CHIP_PAGE_BYTES];
    chip_page_bytes(*drive, chip_page_entry(*drive, 1, LOW, 6, 4), low);
    EXPECT_EQ(low[0], data[0]);
    EXPECT_EQ(low[1], data[2]);
}

TEST(NandLayout, PartialProgramReadsFFBeyondAndErasedPageReadsBlank) {
    std::unique_ptr<Drive> drive = ready_drive();
    program(*drive, 2, 9 * ROW, pattern(1024, 4));
    const std::vector<uint8_t> page = read_page(*drive, 2, 9 * ROW, BANK_PAGE_BYTES);
    EXPECT_TRUE(std::equal(page.begin(), page.begin() + 1024, pattern(1024, 4).begin()));
    EXPECT_TRUE(std::all_of(page.begin() + 1024, page.end(), [](uint8_t b) { return b == 0xFF; }));
    EXPECT_EQ(bank_status(*drive, 2), 0);

    const std::vector<uint8_t> erased = read_page(*drive, 2, 9 * ROW + 1, 2048);
    EXPECT_EQ(bank_status(*drive, 2), STATUS_ERASED);
    EXPECT_TRUE(std::all_of(erased.begin(), erased.end(), [](uint8_t b) { return b == 0xFF; }));
}

TEST(EccConfiguration, APageReadsOnlyUnderTheConfigurationItWasWrittenWith) {
    std::unique_ptr<Drive> drive = ready_drive();
    program(*drive, 0, 4, pattern(2048, 1));  // normal ECC
    reset_controller(*drive, true);
    program(*drive, 0, 5, pattern(2048, 2));  // Big ECC

    read_page(*drive, 0, 5, 2048);
    EXPECT_EQ(bank_status(*drive, 0), 0);
    read_page(*drive, 0, 4, 2048);
    EXPECT_EQ(bank_status(*drive, 0), STATUS_UNCORRECTABLE);
    reset_controller(*drive, false);
    EXPECT_EQ(read_page(*drive, 0, 4, 2048), pattern(2048, 1));
    EXPECT_EQ(bank_status(*drive, 0), 0);
    read_page(*drive, 0, 5, 2048);
    EXPECT_EQ(bank_status(*drive, 0), STATUS_UNCORRECTABLE);
}

TEST(FlashOps, ReadIdGivesLowChipInTheLowByteAndEmptyPositionsFF) {
    std::unique_ptr<Drive> drive = ready_drive();
    drive->banks[3].chips[HIGH].id[0] = 0x98;
    const uint32_t banks[] = {3, 4};
    std::vector<uint8_t> ids[2];
    for (int i = 0; i < 2; ++i) {
        flash_op(*drive, {.sub_op = FOP_READ_ID, .bank = banks[i], .byte_count = 16});
        Words copy = command(CMD_BUFFER_COPY);
        copy[1] = 1;
        copy[23] = NO_ADDRESS;
        copy[24] = SDRAM_BASE;
        copy[26] = 16;
        send(*drive, copy);
        ids[i] = read_disk(*drive, 0, SECTOR);
    }
    EXPECT_EQ(load_le16(ids[0].data()), 0x98EC);
    EXPECT_EQ(load_le16(ids[0].data() + 2), 0xD7D7);
    EXPECT_EQ(load_le16(ids[0].data() + 8), 0x3838);
    for (uint32_t j = 0; j < 5; ++j) {
        EXPECT_EQ(load_le16(ids[1].data() + 2 * j), 0xFFFF);
    }
    EXPECT_EQ(drive->violation_count, 0u);
}

TEST(FlashOps, OperationsOutsideTheRulesAreViolations) {
    const Op cases[] = {
        {.sub_op = FOP_READ,
         .bank = 4,
         .options = 6,
         .sdram_addr = DATA_WINDOW,
         .byte_count = 2048},  // empty
        {.sub_op = FOP_READ, .bank = 0, .options = 0x46, .sdram_addr = DATA_WINDOW, .byte_count = 2048},
        {.sub_op = FOP_PROGRAM, .bank = 0, .options = 0x46, .sdram_addr = DATA_WINDOW, .byte_count = 0x4000},
        {.sub_op = FOP_ERASE, .bank = 0, .row = 5 * ROW + 1},
        {.sub_op = FOP_READ,
         .bank = 0,
         .options = 6,
         .sdram_addr = DATA_WINDOW,
         .byte_count = 512,
         .row = 8192 * ROW},
        {.sub_op = FOP_READ,
         .bank = 0,
         .options = 6,
         .sdram_addr = DATA_WINDOW,
         .byte_count = 512,
         .nand_cmd = 0x30},
        {.sub_op = 0x33, .bank = 0},
        {.sub_op = FOP_PART, .bank = 0, .options = 0x40, .byte_count = 512},  // no first part
    };
    for (const Op& op : cases) {
        SCOPED_TRACE(op.sub_op);
        std::unique_ptr<Drive> drive = ready_drive();
        flash_op(*drive, op);
        EXPECT_EQ(drive->violation_count, 1u);
    }
}

TEST(QueuedOps, DataAndStatusAppearOnlyAfterSync) {
    std::unique_ptr<Drive> drive = ready_drive();
    program(*drive, 8, 40 * ROW, pattern(SECTOR, 5));
    write_window(*drive, std::vector<uint8_t>(SECTOR, 0x11));
    flash_op(*drive, {.sub_op = FOP_READ,
                      .bank = 8,
                      .options = 6,
                      .sdram_addr = DATA_WINDOW,
                      .byte_count = SECTOR,
                      .row = 40 * ROW,
                      .wait = 0});
    flash_op(*drive, {.sub_op = FOP_READ,
                      .bank = 8,
                      .options = 6,
                      .sdram_addr = DATA_WINDOW + SECTOR,
                      .byte_count = SECTOR,
                      .row = 40 * ROW + 1,
                      .wait = 0});
    EXPECT_EQ(read_disk(*drive, 0x100000, SECTOR), std::vector<uint8_t>(SECTOR, 0x11));
    EXPECT_EQ(bank_status(*drive, 8), 0);  // still the program's

    send(*drive, command(CMD_FLASH_SYNC));
    EXPECT_EQ(read_disk(*drive, 0x100000, SECTOR), pattern(SECTOR, 5));
    EXPECT_EQ(bank_status(*drive, 8), STATUS_ERASED);  // the last read, an erased page
}

TEST(QueuedOps, QueuedProgramTakesTheDataWindowAtSync) {
    std::unique_ptr<Drive> drive = ready_drive();
    write_window(*drive, pattern(SECTOR, 1));
    flash_op(*drive, {.sub_op = FOP_PROGRAM,
                      .bank = 0,
                      .options = 0x46,
                      .sdram_addr = DATA_WINDOW,
                      .byte_count = SECTOR,
                      .row = 3 * ROW,
                      .wait = 0});
    write_window(*drive, pattern(SECTOR, 2));
    send(*drive, command(CMD_FLASH_SYNC));
    EXPECT_EQ(read_page(*drive, 0, 3 * ROW, SECTOR), pattern(SECTOR, 2));
}

TEST(QueuedOps, WaitingOperationRunsAfterThoseQueuedBeforeIt) {
    std::unique_ptr<Drive> drive = ready_drive();
    write_window(*drive, pattern(1024, 6));
    flash_op(*drive, {.sub_op = FOP_PROGRAM,
                      .bank = 0,
                      .options = 0x46,
                      .sdram_addr = DATA_WINDOW,
                      .byte_count = 1024,
                      .row = 21 * ROW + 4,
                      .wait = 0});
    EXPECT_EQ(read_page(*drive, 0, 21 * ROW + 4, 1024), pattern(1024, 6));
    EXPECT_EQ(bank_status(*drive, 0), 0);
}

TEST(QueuedOps, ControllerResetDiscardsQueueAsAViolation) {
    std::unique_ptr<Drive> drive = ready_drive();
    flash_op(*drive, {.sub_op = FOP_ERASE, .bank = 0, .row = 3 * ROW, .wait = 0});
    reset_controller(*drive, false);
    EXPECT_EQ(drive->violation_count, 1u);
    EXPECT_EQ(drive->counters.erases, 0u);
}

TEST(BlankCheck, BusyUntilItsTimeThenStatusTellsProgrammedData) {
    std::unique_ptr<Drive> drive = ready_drive();
    program(*drive, 9, 4000 * ROW + 7, pattern(SECTOR, 0));
    for (const uint32_t bank : {8u, 9u}) {
        flash_op(*drive, {.sub_op = FOP_BLANK_CHECK, .bank = bank, .byte_count = 8192, .wait = 0});
        EXPECT_EQ(read_reg(*drive, 0x600007A4), 1u);
        set_time(*drive, drive->power.now_ms + 10);
        EXPECT_EQ(read_reg(*drive, 0x600007A4), 0u);
    }
    EXPECT_EQ(bank_status(*drive, 8), 0);
    EXPECT_EQ(bank_status(*drive, 9), STATUS_NOT_BLANK);
}

TEST(BlankCheck, HungCheckStaysBusyUntilAbortedThroughItsBank) {
    std::unique_ptr<Drive> drive = ready_drive();
    drive->faults.push_back({.kind = FaultKind::blank_check_hang, .bank = 2});
    flash_op(*drive, {.sub_op = FOP_BLANK_CHECK, .bank = 2, .byte_count = 8192, .wait = 0});
    set_time(*drive, 1000);
    EXPECT_EQ(read_reg(*drive, 0x600007A4), 1u);
    write_reg(*drive, 0x6000000C, 2);
    EXPECT_EQ(read_reg(*drive, 0x600007A4), 0u);
}

}  // namespace
}  // namespace sim::testing

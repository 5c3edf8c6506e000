// Where this build's bad-block code looks and what it erases: the pages of
// block zero read for the stored tables and records, the geometry the
// drive-side scan is told, and the rows of the rework erase, all from the
// build's own page count and banks.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <vector>

#include "host_actions/bad_block_lists.h"
#include "host_mass_production/initial_scan.h"
#include "host_mass_production/rework_erase.h"
#include "platform/memory.h"
#include "support/bad_block_drive.h"
#include "support/work_block_fixture.h"

namespace {

struct KnownGeometry {
    uint32_t pages_per_block;
    uint32_t pages_per_block_log2;
    uint32_t bank_bmp;
};

constexpr KnownGeometry KNOWN[] = {
    {128, 7, 0x00000F0F}, {128, 7, 0x00000F0F}, {64, 6, 0x0F0F0F0F},
    {128, 7, 0x00000F0F}, {128, 7, 0xFFFFFFFF},
};
constexpr KnownGeometry THIS_BUILD = KNOWN[PRODTOOL_BUILD - 1];

bool expected(uint32_t bank) {
    return (THIS_BUILD.bank_bmp >> bank) & 1;
}

class BadBlockGeometry : public WorkBlockTest {
  protected:
    BadBlockDrive drive;

    void SetUp() override {
        WorkBlockTest::SetUp();
        work->initialized = 1;
        drive.attach();
    }
};

TEST_F(BadBlockGeometry, StoredTablesAndRecordsAreReadUpToTheBlocksLastPageOfEveryExpectedBank) {
    find_scan_lists(false);
    std::map<uint32_t, std::vector<uint32_t>> pages;
    for (const BadBlockDriveCommand& c : drive.flash_ops(FOP_READ)) {
        pages[c[WORD_BANK]].push_back(c[WORD_ROW_LOW]);
    }
    std::vector<uint32_t> searched = {0, 3};
    for (uint32_t page = 10; page < THIS_BUILD.pages_per_block; ++page) {
        searched.push_back(page);
    }
    for (uint32_t bank = 0; bank < 32; ++bank) {
        EXPECT_EQ(pages[bank], expected(bank) ? searched : std::vector<uint32_t>{}) << "bank " << bank;
    }
}

TEST_F(BadBlockGeometry, ScanIsToldTheBuildsBanksAndPagesPerBlock) {
    uint8_t* result = static_cast<uint8_t*>(platform::aligned_allocate(200 * 512));
    drive.scan_result = page_of_words({0, 0, 0xFFFFFFFF}, 200 * 512);
    BankSelection blank = {};
    for (uint32_t bank = 0; bank < 32; ++bank) {
        blank[bank] = expected(bank);
    }
    testing::internal::CaptureStdout();
    scan_initial_bad_blocks(result, blank);
    testing::internal::GetCapturedStdout();
    platform::aligned_release(result);

    ASSERT_EQ(drive.commands.size(), 1u);
    EXPECT_EQ(drive.commands[0][WORD_BANK_MAP], THIS_BUILD.bank_bmp);
    EXPECT_EQ(drive.commands[0][WORD_SCAN_PAGES], THIS_BUILD.pages_per_block);
    EXPECT_EQ(drive.commands[0][WORD_SCAN_PAGES_LOG2], THIS_BUILD.pages_per_block_log2);
}

TEST_F(BadBlockGeometry, ReworkErasesEveryExpectedBankFromTheSecondBlockToTheOneBeforeTheLast) {
    struct Erased {
        uint32_t count = 0;
        uint32_t first_row = 0xFFFFFFFF;
        uint32_t last_row = 0;
        bool rows_start_blocks = true;
    };
    std::map<uint32_t, Erased> erased;
    auto answer = recording_disk.after_transfer;
    recording_disk.after_transfer = [&](DiskTransfer& transfer) {
        answer(transfer);
        for (const BadBlockDriveCommand& c : drive.flash_ops(FOP_ERASE)) {
            Erased& bank = erased[c[WORD_BANK]];
            ++bank.count;
            bank.first_row = std::min(bank.first_row, c[WORD_ROW_LOW]);
            bank.last_row = std::max(bank.last_row, c[WORD_ROW_LOW]);
            bank.rows_start_blocks &= c[WORD_ROW_LOW] % THIS_BUILD.pages_per_block == 0;
        }
        drive.commands.clear();
    };
    const BankSelection none_blank = {};
    testing::internal::CaptureStdout();
    erase_for_rework(none_blank);
    testing::internal::GetCapturedStdout();

    for (uint32_t bank = 0; bank < 32; ++bank) {
        if (!expected(bank)) {
            EXPECT_EQ(erased.count(bank), 0u) << "bank " << bank;
            continue;
        }
        const Erased& e = erased[bank];
        EXPECT_EQ(e.count, 8190u) << "bank " << bank;
        EXPECT_EQ(e.first_row, THIS_BUILD.pages_per_block) << "bank " << bank;
        EXPECT_EQ(e.last_row, 8190 * THIS_BUILD.pages_per_block) << "bank " << bank;
        EXPECT_TRUE(e.rows_start_blocks) << "bank " << bank;
    }
}

}  // namespace

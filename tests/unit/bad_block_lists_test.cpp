#include "host_actions/bad_block_lists.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "host_actions/block_zero_page.h"
#include "host_main/factory_commands.h"
#include "little_endian.h"
#include "platform/memory.h"
#include "support/bad_block_fixture.h"
#include "support/captured_exit.h"

namespace {

class BlockZeroTables : public BadBlockTest {
  protected:
    uint8_t* buffer = nullptr;

    void SetUp() override {
        BadBlockTest::SetUp();
        buffer = static_cast<uint8_t*>(platform::aligned_allocate(8192));
    }
    void TearDown() override {
        platform::aligned_release(buffer);
        BadBlockTest::TearDown();
    }
    // Reads made of the bank's block zero, as page numbers.
    std::vector<uint32_t> pages_read(uint32_t bank) const {
        std::vector<uint32_t> pages;
        for (const BadBlockDriveCommand& c : drive.flash_ops(FOP_READ)) {
            if (c[WORD_BANK] == bank) {
                pages.push_back(c[WORD_ROW_LOW]);
            }
        }
        return pages;
    }
};

// --- read_block_zero_page ---------------------------------------------------

TEST_F(BlockZeroTables, PageReadIsOneFlashReadThenTheStatusThenTheData) {
    drive.store_page(9, 4, std::vector<uint8_t>(2048, 0x5A));
    EXPECT_EQ(read_block_zero_page(9, 4, 2048, buffer), BLOCK_ZERO_READ);

    ASSERT_EQ(drive.commands.size(), 1 + 8u);
    const BadBlockDriveCommand& read = drive.commands[0];
    EXPECT_TRUE(carries_words(read, {{WORD_OPCODE, CMD_FLASH_OP},
                                     {WORD_SUB_OP, FOP_READ},
                                     {WORD_BANK, 9},
                                     {WORD_OPTIONS, 6},
                                     {WORD_SDRAM_ADDR, 0x40100000},
                                     {WORD_BYTE_COUNT, 2048},
                                     {WORD_NAND_CMD, 0},
                                     {WORD_ROW_LOW, 4},
                                     {WORD_ROW_HIGH, 4},
                                     {WORD_WAIT_FLAG, 1},
                                     {WORD_BATCH_FLAG, 1}}));
    for (uint32_t i = 0; i < 8; ++i) {
        EXPECT_EQ(drive.commands[1 + i][WORD_OPCODE], CMD_READ_REG);
        EXPECT_EQ(drive.commands[1 + i][WORD_REG_ADDR], 0x60000760 + 4 * i);
    }
    const DiskTransfer& data = recording_disk.transfers.back();
    EXPECT_FALSE(data.is_write);
    EXPECT_EQ(data.position, 0x100000u);
    EXPECT_EQ(data.bytes, 2048u);
    EXPECT_EQ(buffer[0], 0x5A);
    EXPECT_EQ(buffer[2047], 0x5A);
}

TEST_F(BlockZeroTables, PageReadResultFollowsTheBanksStatusByteAndTheDataComesAnyway) {
    const struct {
        uint8_t status;
        BlockZeroRead result;
    } cases[] = {
        {0x00, BLOCK_ZERO_READ},       {0x08, BLOCK_ZERO_READ},       {0x10, BLOCK_ZERO_READ},
        {0x02, BLOCK_ZERO_READ_ERROR}, {0x80, BLOCK_ZERO_READ_ERROR}, {0x22, BLOCK_ZERO_READ_ERROR},
        {0xA0, BLOCK_ZERO_READ_ERROR}, {0x20, BLOCK_ZERO_BLANK},      {0x24, BLOCK_ZERO_BLANK},
    };
    for (const auto& c : cases) {
        drive.store_page(2, 0, std::vector<uint8_t>(8192, 0x11), c.status);
        std::memset(buffer, 0, 8192);
        EXPECT_EQ(read_block_zero_page(2, 0, 8192, buffer), c.result) << "status " << int(c.status);
        EXPECT_EQ(buffer[8191], 0x11) << "status " << int(c.status);
    }
}

TEST_F(BlockZeroTables, PageReadIsRefusedBeforeTheDriveWhenNotInitializedOrNoSuchBank) {
    const struct {
        uint32_t initialized;
        uint32_t bank;
        const char* printed;
    } cases[] = {
        {0, 0, "ERROR: not initialized\n"},
        {1, 4, "ERROR: specified bank does not exist\nbank 4=A1\t\n"},
        {1, 31, "ERROR: specified bank does not exist\nbank 31=D7\t\n"},
        {1, 32, "ERROR: specified bank does not exist\nbank 32=A8\t\n"},
    };
    for (const auto& c : cases) {
        work->initialized = c.initialized;
        testing::internal::CaptureStdout();
        EXPECT_EQ(read_block_zero_page(c.bank, 0, 8192, buffer), BLOCK_ZERO_REFUSED);
        EXPECT_EQ(testing::internal::GetCapturedStdout(), c.printed);
    }
    EXPECT_TRUE(recording_disk.transfers.empty());
}

// --- erase_bad_block_list ---------------------------------------------------

TEST_F(BlockZeroTables, BlockZeroEraseSetsOnlyTheEraseWordsAndLeavesItsStepInTheTrail) {
    set_command_word(WORD_SDRAM_ADDR, 0x12345678);
    set_command_word(WORD_BYTE_COUNT, 0x2000);
    drive.erase_status[{9, 0}] = 0x04;  // neither chip failed
    EXPECT_EQ(erase_bad_block_list(9), 1u);

    const BadBlockDriveCommand& erase = drive.commands.at(0);
    EXPECT_TRUE(carries_words(erase, {{WORD_OPCODE, CMD_FLASH_OP},
                                      {WORD_SUB_OP, FOP_ERASE},
                                      {WORD_BANK, 9},
                                      {WORD_OPTIONS, 0},
                                      {WORD_SDRAM_ADDR, 0x12345678},
                                      {WORD_BYTE_COUNT, 0x2000},
                                      {WORD_NAND_CMD, 0},
                                      {WORD_ROW_LOW, 0},
                                      {WORD_ROW_HIGH, 0},
                                      {WORD_WAIT_FLAG, 1},
                                      {WORD_BATCH_FLAG, 1}}));
    EXPECT_EQ(erase.trail, "Erase bad block list\n");
    EXPECT_STREQ(log_buffer, "Erase bad block list\n");
}

TEST_F(BlockZeroTables, BlockZeroEraseFailuresAndRefusalsReturnZeroWithTheirLines) {
    const struct {
        uint32_t initialized;
        uint32_t bank;
        uint8_t status;
        const char* printed;
        const char* trail;
    } cases[] = {
        {1, 9, 0x10, "ERROR: erase failure, pblk_offset = 0, real_pblk_offset = 0\nbank 9=B2\t\n",
         "Erase bad block list\nErase failure, pblk_offset = 0\nbank 9=B2\t\n"},
        {1, 0, 0x08, "ERROR: erase failure, pblk_offset = 0, real_pblk_offset = 0\nbank 0=A0\t\n",
         "Erase bad block list\nErase failure, pblk_offset = 0\nbank 0=A0\t\n"},
        {0, 0, 0, "ERROR: not initialized\n", "Erase bad block list\nNot initialized\n"},
        {1, 12, 0, "ERROR: specified bank does not exist\nbank 12=A3\t\n",
         "Erase bad block list\nSpecified bank does not exist\nBank 12=A3\t\n"},
    };
    for (const auto& c : cases) {
        work->initialized = c.initialized;
        drive.erase_status[{c.bank, 0}] = c.status;
        put_to_log_buffer("left by an earlier step\n");
        testing::internal::CaptureStdout();
        EXPECT_EQ(erase_bad_block_list(c.bank), 0u);
        EXPECT_EQ(testing::internal::GetCapturedStdout(), c.printed);
        EXPECT_STREQ(log_buffer, c.trail);
    }
}

// --- add_runtime_bad_block --------------------------------------------------

TEST_F(BlockZeroTables, RuntimeEntryIsAddedOncePerBlockAndExactChipMask) {
    add_runtime_bad_block(3, 1, 2, 7);
    add_runtime_bad_block(3, 1, 2, 7);
    add_runtime_bad_block(3, 1, 5, 7);  // another type is still the same entry
    EXPECT_EQ(runtime_entries(3), (std::vector<uint32_t>{rt(7, 1, 2)}));
    add_runtime_bad_block(3, 2, 2, 7);
    add_runtime_bad_block(3, 3, 4, 7);
    add_runtime_bad_block(3, 1, 2, 8);
    EXPECT_EQ(runtime_entries(3),
              (std::vector<uint32_t>{rt(7, 1, 2), rt(7, 2, 2), rt(7, 3, 4), rt(8, 1, 2)}));
    EXPECT_TRUE(runtime_entries(2).empty());
}

using BlockZeroTablesDeathTest = BlockZeroTables;

TEST_F(BlockZeroTablesDeathTest, FullRuntimeListTakesKnownEntriesButANewOneEndsTheRun) {
    for (uint16_t block = 1; block <= RUNTIME_BB_MAX_ENTRIES; ++block) {
        add_runtime_bad_block(3, 1, 4, block);
    }
    add_runtime_bad_block(3, 1, 4, 1);
    EXPECT_EQ(runtime_bb_count(work->runtime_bb_list[3]), RUNTIME_BB_MAX_ENTRIES);

    put_to_log_buffer("Erasing NAND Flash for rework.\n");
    std::string printed;
    EXPECT_EXIT_CAPTURED(add_runtime_bad_block(3, 2, 4, 1), 1, printed);
    EXPECT_TRUE(testing::internal::RE::FullMatch(printed,
                                                 "ERROR: too many bad blocks in bank 3=D0\t\nerror at "
                                                 "src/host_actions/add_runtime_bad_block\\.cpp [0-9]+\n"))
        << printed;
    EXPECT_EQ(
        fail_records(),
        (std::vector<std::string>{
            write_record(2, 4, "Erasing NAND Flash for rework.\\nToo many bad blocks in Bank 3=D0\\t\\n"),
            FINALIZE_RECORD}));
}

// A type outside 1 to 8 is refused whether or not the block is listed
// already: the drive that wrote it cannot be trusted with the others either.
TEST_F(BlockZeroTablesDeathTest, AnUnknownBadBlockTypeEndsTheRunNamingBlockTypeAndBank) {
    add_runtime_bad_block(3, 1, 2, 7);
    const struct {
        uint8_t type;
        uint16_t block;
        const char* printed;  // then "error at"
        const char* trail;    // after the trail of the step
    } cases[] = {
        {0, 40, "ERROR: bad block 40 of unknown type 0 in bank 3=D0\t\n",
         "Bad block 40 of unknown type 0 in Bank 3=D0\\t\\n"},
        {9, 7, "ERROR: bad block 7 of unknown type 9 in bank 3=D0\t\n",
         "Bad block 7 of unknown type 9 in Bank 3=D0\\t\\n"},
        {0xFF, 8191, "ERROR: bad block 8191 of unknown type 255 in bank 3=D0\t\n",
         "Bad block 8191 of unknown type 255 in Bank 3=D0\\t\\n"},
    };
    for (const auto& c : cases) {
        std::remove(records.c_str());
        clear_log_buffer();
        put_to_log_buffer("NAND Flash test\n");
        std::string printed;
        EXPECT_EXIT_CAPTURED(add_runtime_bad_block(3, 1, c.type, c.block), 1, printed);
        EXPECT_TRUE(printed.starts_with(std::string(c.printed) +
                                        "error at src/host_actions/add_runtime_bad_block.cpp "))
            << printed;
        EXPECT_EQ(fail_records(),
                  (std::vector<std::string>{write_record(2, 4, std::string("NAND Flash test\\n") + c.trail),
                                            FINALIZE_RECORD}));
    }
    EXPECT_EQ(runtime_entries(3), (std::vector<uint32_t>{rt(7, 1, 2)}));
}

// --- find_scan_lists --------------------------------------------------------

std::vector<uint8_t> scan_list_page(const std::vector<uint16_t>& entries, uint16_t count) {
    std::vector<uint8_t> page(8192, 0);
    store_le16(page.data(), count);
    for (size_t i = 0; i < entries.size(); ++i) {
        store_le16(page.data() + 2 + 2 * i, entries[i]);
    }
    return page;
}

std::vector<uint8_t> runtime_list_page(const std::vector<uint32_t>& entries, uint32_t count) {
    std::vector<uint32_t> words = {RUNTIME_BB_MAGIC1, RUNTIME_BB_MAGIC2, 0, count};
    words.insert(words.end(), entries.begin(), entries.end());
    return page_of_words(words);
}

std::vector<uint8_t> record_page(uint32_t kind, uint32_t packed_entry) {
    return page_of_words({0x33221100, 0xCC99E2A9, kind, 0xDEADBEEF, packed_entry});
}

TEST_F(BlockZeroTables, StoredScanListsAreTakenWhenReadableAndNamedWhenNot) {
    drive.store_page(0, 0, scan_list_page({5, 0x8005}, 2));
    drive.store_page(1, 0, scan_list_page({9}, 1), 0x02);  // read error
    // bank 2: page 0 never written, reads blank
    drive.store_page(3, 0, scan_list_page({}, 4096));  // more than a list holds
    work->scan_list_found[8] = 1;                      // known already: not read again
    append_initial_bb_entry(work->initial_bb_list[2], {44, false});
    append_initial_bb_entry(work->initial_bb_list[3], {45, false});
    append_initial_bb_entry(work->initial_bb_list[8], {46, true});

    testing::internal::CaptureStdout();
    EXPECT_EQ(find_scan_lists(true), 0u);
    EXPECT_EQ(testing::internal::GetCapturedStdout(),
              "scan list found on bank 0=A0\t\n"
              "ERROR: scan list corrupted (or unknown type of data found) on bank 1=B0\t\n"
              "ERROR: scan list corrupted (or unknown type of data found) on bank 3=D0\t\n");
    EXPECT_EQ(std::memcmp(work->initial_bb_list[0], scan_list_page({5, 0x8005}, 2).data(), 8192), 0);
    EXPECT_EQ(initial_entries(1), std::vector<uint16_t>{});
    EXPECT_EQ(initial_entries(2), std::vector<uint16_t>{44});
    EXPECT_EQ(initial_entries(3), std::vector<uint16_t>{45});
    EXPECT_EQ(initial_entries(8), std::vector<uint16_t>{0x8000 | 46});
    const uint8_t found[] = {1, 0, 0, 0, 0, 0, 0, 0, 1, 0, 0, 0};
    EXPECT_EQ(std::memcmp(work->scan_list_found, found, sizeof found), 0);
    EXPECT_EQ(pages_read(8).front(), 3u) << "bank 8's list is known; its page 0 is not read";
    EXPECT_EQ(pages_read(0).front(), 0u);
}

TEST_F(BlockZeroTables, QuietSearchPrintsNothingAndBlankScanListPagesAreNoError) {
    drive.store_page(1, 0, scan_list_page({}, 0), 0x80);
    testing::internal::CaptureStdout();
    EXPECT_EQ(find_scan_lists(false), 0u);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
    work->scan_list_found[1] = 1;
    testing::internal::CaptureStdout();
    EXPECT_EQ(find_scan_lists(false), 1u) << "blank pages are no error";
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
    EXPECT_EQ(work->scan_list_found[0], 0);
}

TEST_F(BlockZeroTables, StoredRuntimeListsAreMergedOnlyWhenReadableWithBothMagics) {
    add_runtime_bad_block(0, 1, 2, 7);
    drive.store_page(0, 3, runtime_list_page({rt(100, 3, 4), rt(7, 1, 2), rt(7, 2, 6)}, 3));
    drive.store_page(1, 3, runtime_list_page({rt(100, 3, 4)}, 1), 0x02);
    std::vector<uint8_t> one_magic = runtime_list_page({rt(100, 3, 4)}, 1);
    store_le32(one_magic.data() + 4, 0);
    drive.store_page(2, 3, one_magic);
    drive.store_page(3, 3, runtime_list_page({rt(100, 3, 4)}, 1), 0x20);

    find_scan_lists(false);
    EXPECT_EQ(runtime_entries(0), (std::vector<uint32_t>{rt(7, 1, 2), rt(100, 3, 4), rt(7, 2, 6)}));
    for (uint32_t bank : {1, 2, 3}) {
        EXPECT_TRUE(runtime_entries(bank).empty()) << "bank " << bank;
    }
    find_scan_lists(false);
    EXPECT_EQ(runtime_entries(0).size(), 3u) << "reading the same pages again adds nothing";
}

TEST_F(BlockZeroTables, StoredRuntimeCountBeyondThePageTakesTheEntriesThePageHolds) {
    std::vector<uint32_t> entries;
    for (uint16_t block = 1; block <= RUNTIME_BB_MAX_ENTRIES; ++block) {
        entries.push_back(rt(block, 2, 3));
    }
    drive.store_page(9, 3, runtime_list_page(entries, 0xFFFFFFFF));
    find_scan_lists(false);
    EXPECT_EQ(runtime_entries(9), entries);
}

TEST_F(BlockZeroTables, BadBlockRecordsOnPagesTenToTheLastAddTheirBlocks) {
    const struct {
        uint32_t page;
        uint32_t kind;
        uint32_t entry;
        std::vector<uint32_t> added;
    } cases[] = {
        {10, 2, rt(0, 1, 6), {rt(0, 1, 6), rt(1, 1, 6)}},
        {11, 2, rt(300, 2, 7), {rt(600, 2, 7), rt(601, 2, 7)}},
        {12, 3, rt(2047, 3, 5), {rt(2047, 3, 5), rt(4095, 3, 5)}},
        {13, 3, rt(2048, 1, 8), {rt(4096, 1, 8), rt(6144, 1, 8)}},
        {14, 1, rt(77, 2, 3), {rt(77, 2, 3)}},
        {127, 0, rt(90, 1, 1), {rt(90, 1, 1)}},
        {100, 3, rt(0xF000, 1, 3), {rt(0xF800, 1, 3), rt(0, 1, 3)}},  // block numbers are 16-bit
    };
    for (const auto& c : cases) {
        std::memset(work->runtime_bb_list[11], 0, 8192);
        drive.block_zero.clear();
        drive.store_page(11, c.page, record_page(c.kind, c.entry));
        find_scan_lists(false);
        EXPECT_EQ(runtime_entries(11), c.added) << "page " << c.page;
    }
}

TEST_F(BlockZeroTables, RecordSearchPassesOverPagesWithoutARecordOrThatDoNotReadCleanly) {
    drive.store_page(0, 4, record_page(1, rt(41, 1, 1)));  // the stamp's page
    drive.store_page(0, 9, record_page(1, rt(42, 1, 1)));
    drive.store_page(0, 20, record_page(1, rt(43, 1, 1)), 0x80);
    drive.store_page(0, 21, record_page(1, rt(44, 1, 1)), 0x20);
    std::vector<uint8_t> image_page = record_page(1, rt(45, 1, 1));
    store_le32(image_page.data() + 4, 0xCC99E2A8);
    drive.store_page(0, 22, image_page);
    drive.store_page(0, 23, record_page(1, rt(46, 1, 1)));

    find_scan_lists(false);
    EXPECT_EQ(runtime_entries(0), std::vector<uint32_t>{rt(46, 1, 1)});
    std::vector<uint32_t> expected_pages = {0, 3};
    for (uint32_t page = 10; page <= 127; ++page) {
        expected_pages.push_back(page);
    }
    EXPECT_EQ(pages_read(0), expected_pages);
    EXPECT_TRUE(pages_read(4).empty());
}

// --- reports ----------------------------------------------------------------

std::string empty_initial_bank(const char* name) {
    return std::string("\nbank ") + name + " L: 0 of 8192 (0.00%)\n\nbank " + name +
           " H: 0 of 8192 (0.00%)\n";
}

TEST_F(BlockZeroTables, InitialReportListsEachChipsBlocksInListOrder) {
    for (uint16_t entry : {5, 0x8005, 17}) {
        append_initial_bb_entry(work->initial_bb_list[0],
                                {static_cast<uint16_t>(entry & 0x7FFF), entry >= 0x8000});
    }
    for (uint16_t block = 0; block < 82; ++block) {
        append_initial_bb_entry(work->initial_bb_list[11], {static_cast<uint16_t>(8191 - block), true});
    }
    append_initial_bb_entry(work->initial_bb_list[4], {1, false});  // not an expected bank

    std::string high_blocks;
    for (uint32_t block = 0; block < 82; ++block) {
        high_blocks += std::to_string(8191 - block) + " ";
    }
    EXPECT_EQ(printed_to_stream(print_initial_bad_blocks),
              "\nlist of initial bad blocks :\n"
              "\nbank 0(A0) L: 2 of 8192 (0.02%)\n5 17 "
              "\nbank 0(A0) H: 1 of 8192 (0.01%)\n5 " +
                  empty_initial_bank("1(B0)") + empty_initial_bank("2(C0)") + empty_initial_bank("3(D0)") +
                  empty_initial_bank("8(A2)") + empty_initial_bank("9(B2)") + empty_initial_bank("10(C2)") +
                  "\nbank 11(D2) L: 0 of 8192 (0.00%)\n"
                  "\nbank 11(D2) H: 82 of 8192 (1.00%)\n" +
                  high_blocks + "\n");
}

TEST_F(BlockZeroTables, RuntimeReportShowsEveryEntryWithItsMarkerUnderEachOfItsChips) {
    const struct {
        uint8_t type;
        const char* marker;
    } markers[] = {{1, "E "},  {2, "P "},   {3, "R "},   {4, "EB "}, {5, "PB "},
                   {6, "RB "}, {7, "RBP "}, {8, "RBB "}, {0, "? "},  {9, "? "}};
    std::string low = "bank 0(A0) L: 11 of 8192 (0.13%) - 100EB ";
    std::string high = "bank 0(A0) H: 1 of 8192 (0.01%) - 100EB \n";
    add_runtime_bad_block(0, 3, 4, 100);
    for (const auto& m : markers) {
        // Types without a name never come through add_runtime_bad_block.
        append_runtime_bb_entry(work->runtime_bb_list[0], {static_cast<uint16_t>(200 + m.type), 1, m.type});
        low += std::to_string(200 + m.type) + m.marker;
    }
    add_runtime_bad_block(0, 0, 4, 300);  // a chip mask naming neither chip shows under neither

    const std::string printed = printed_to_stream(print_runtime_bad_blocks);
    EXPECT_EQ(printed.substr(0, printed.find("bank 1(B0)")),
              "\nlist of runtime bad blocks :\n" + low + "\n" + high);
    EXPECT_NE(printed.find("bank 1(B0) L: 0 of 8192 (0.00%) - \nbank 1(B0) H: 0 of 8192 (0.00%) - \n"
                           "bank 2(C0) L: 0 of 8192 (0.00%) - \n"),
              std::string::npos);
    EXPECT_TRUE(printed.ends_with("bank 11(D2) H: 0 of 8192 (0.00%) - \n")) << printed;
    EXPECT_EQ(printed.find("bank 4("), std::string::npos);
}

}  // namespace

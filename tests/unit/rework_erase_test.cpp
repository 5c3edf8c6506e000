#include "host_mass_production/rework_erase.h"

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <utility>
#include <vector>

#include "host_actions/bad_block_lists.h"
#include "host_main/factory_commands.h"
#include "platform/console.h"
#include "support/bad_block_fixture.h"

namespace {

constexpr uint32_t ERASED_BANKS[] = {0, 2, 3, 8, 9, 10, 11};

class ReworkErase : public BadBlockTest {
  protected:
    BankSelection blank = {};

    void SetUp() override {
        BadBlockTest::SetUp();
        blank[1] = 1;  // found blank: left alone
        blank[4] = 1;  // not expected in this build: left alone whatever its flag

        work->scan_list_found[0] = 1;
        append_initial_bb_entry(work->initial_bb_list[0], {5, false});
        append_initial_bb_entry(work->initial_bb_list[0], {5, true});
        append_initial_bb_entry(work->initial_bb_list[0], {6, false});
        add_runtime_bad_block(0, 2, 2, 7);
        add_runtime_bad_block(0, 3, 6, 8);
        add_runtime_bad_block(0, 1, 3, 9);
        append_initial_bb_entry(work->initial_bb_list[0], {9, true});
        // Without a known initial list nothing of the bank counts as known bad.
        append_initial_bb_entry(work->initial_bb_list[2], {5, false});
        add_runtime_bad_block(2, 3, 2, 5);
        // Bank 11, the last one erased, has block 9 bad on both chips too.
        work->scan_list_found[11] = 1;
        add_runtime_bad_block(11, 3, 1, 9);

        drive.erase_status[{9, 77}] = 0x18;
        drive.erase_status[{10, 200}] = 0x08;
        drive.erase_status[{3, 100}] = 0x10;
        drive.erase_status[{8, 300}] = 0x04;
        drive.erase_status[{2, 8190}] = 0x10;
        drive.erase_status[{1, 50}] = 0x18;  // never erased: never read as a failure
    }
};

// Chip-skip options expected where a chip is known bad, by bank and block;
// -1 where the bank's block is not erased at all.
const std::map<std::pair<uint32_t, uint32_t>, int> KNOWN_BAD = {
    {{0, 5}, -1}, {{0, 6}, 0x10}, {{0, 7}, 0x20}, {{0, 8}, -1}, {{0, 9}, -1}, {{11, 9}, -1},
};

TEST_F(ReworkErase, EveryBlockButTheFirstAndLastIsErasedInEachBankThenSyncedAndChecked) {
    put_to_log_buffer("Blank check\n");
    const uint16_t colour = platform::console_attribute();
    testing::internal::CaptureStdout();
    erase_for_rework(blank);
    const std::string printed = testing::internal::GetCapturedStdout();
    EXPECT_EQ(platform::console_attribute(), colour);

    size_t next = 0;
    const std::vector<BadBlockDriveCommand>& commands = drive.commands;
    for (uint32_t block = 1; block <= 8190; ++block) {
        bool first = true;
        for (uint32_t bank : ERASED_BANKS) {
            const auto known = KNOWN_BAD.find({bank, block});
            if (known != KNOWN_BAD.end() && known->second < 0) {
                continue;
            }
            ASSERT_LT(next, commands.size());
            const BadBlockDriveCommand& c = commands[next++];
            const uint32_t options = known == KNOWN_BAD.end() ? 0 : known->second;
            ASSERT_TRUE(carries_words(c, {{WORD_OPCODE, CMD_FLASH_OP},
                                          {WORD_SUB_OP, FOP_ERASE},
                                          {WORD_BANK, bank},
                                          {WORD_OPTIONS, options},
                                          {WORD_NAND_CMD, 0},
                                          {WORD_ROW_LOW, block * 128},
                                          {WORD_ROW_HIGH, block * 128},
                                          {WORD_WAIT_FLAG, 0},
                                          {WORD_BATCH_FLAG, first ? 1u : 0u}}))
                << "block " << block << " bank " << bank;
            first = false;
        }
        ASSERT_LT(next, commands.size());
        ASSERT_EQ(commands[next][WORD_OPCODE], CMD_FLASH_SYNC) << "block " << block;
        if (block == 9) {
            // The sync keeps the words of the last bank looked at, though its
            // erase was not sent.
            EXPECT_EQ(commands[next][WORD_BANK], 11u);
            EXPECT_EQ(commands[next][WORD_OPTIONS], 0u);
        }
        ++next;
        for (uint32_t i = 0; i < 8; ++i) {
            ASSERT_EQ(commands.at(next++)[WORD_REG_ADDR], 0x60000760 + 4 * i) << "block " << block;
        }
    }
    EXPECT_EQ(next, commands.size());

    std::string expected;
    for (uint32_t block = 1; block <= 8190; ++block) {
        expected += "erasing NAND Flash for rework..." + std::to_string(block) + "\r";
        const std::map<uint32_t, std::string> failures = {
            {77, "\nERROR: erase failure bank 9=B2\t\nhigh low "},
            {100, "\nERROR: erase failure bank 3=D0\t\nhigh "},
            {200, "\nERROR: erase failure bank 10=C2\t\nlow "},
            {300, "\nERROR: erase failure bank 8=A2\t\n"},
            {8190, "\nERROR: erase failure bank 2=C0\t\nhigh "},
        };
        if (const auto failure = failures.find(block); failure != failures.end()) {
            expected += failure->second + "pblk_offset " + std::to_string(block) + " (real " +
                        std::to_string(block) + ") --> added to runtime bad block list\n";
        }
    }
    EXPECT_EQ(printed, expected + "erasing NAND Flash for rework...done\t\n");

    EXPECT_EQ(runtime_entries(9), std::vector<uint32_t>{rt(77, 3, 4)});
    EXPECT_EQ(runtime_entries(10), std::vector<uint32_t>{rt(200, 1, 4)});
    EXPECT_EQ(runtime_entries(3), std::vector<uint32_t>{rt(100, 2, 4)});
    EXPECT_EQ(runtime_entries(8), std::vector<uint32_t>{rt(300, 0, 4)}) << "any status is a failure";
    EXPECT_EQ(runtime_entries(2), (std::vector<uint32_t>{rt(5, 3, 2), rt(8190, 2, 4)}));
    EXPECT_EQ(runtime_entries(0), (std::vector<uint32_t>{rt(7, 2, 2), rt(8, 3, 6), rt(9, 1, 3)}));
    EXPECT_TRUE(runtime_entries(1).empty());
    EXPECT_STREQ(log_buffer, "Blank check\nErasing NAND Flash for rework.\n");
}

}  // namespace

#include "host_install/install_bb_lists.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "host_main/factory_commands.h"
#include "little_endian.h"
#include "selected_build.h"
#include "support/install_fixture.h"

namespace {

constexpr uint32_t TABLES_BYTES = 32 * 8192;

class InstallBbLists : public InstallTest {
  protected:
    // Every table different, so that a table in the wrong place shows.
    void SetUp() override {
        InstallTest::SetUp();
        for (uint32_t bank = 0; bank < 32; ++bank) {
            for (uint32_t byte = 0; byte < 8192; ++byte) {
                work->initial_bb_list[bank][byte] = static_cast<uint8_t>(bank * 7 + byte);
                work->runtime_bb_list[bank][byte] = static_cast<uint8_t>(bank * 11 + byte * 3);
            }
        }
    }
    static std::vector<uint8_t> tables(const uint8_t (*lists)[8192]) {
        return {&lists[0][0], &lists[0][0] + TABLES_BYTES};
    }
};

TEST_F(InstallBbLists, ProgramsEveryExpectedBankWithItsTableAndReadsItBack) {
    const struct {
        int which;
        uint32_t page;
    } cases[] = {{0, 0}, {1, 3}, {7, 3}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.which);
        recording_disk_reset();
        drive = {};
        drive.attach();
        clear_log_buffer();
        ASSERT_EQ(install_bb_lists(c.which), 1);
        const std::vector<uint8_t> sent =
            tables(c.which == 0 ? work->initial_bb_list : work->runtime_bb_list);
        EXPECT_EQ(BlockZeroDrive::first_payload(), sent);

        for (uint32_t bank = 0; bank < 32; ++bank) {
            const StoredPage* stored = drive.page(bank, c.page);
            if (((BUILD_BANK_BMP >> bank) & 1) == 0) {
                EXPECT_EQ(stored, nullptr) << "bank " << bank;
                continue;
            }
            ASSERT_NE(stored, nullptr) << "bank " << bank;
            EXPECT_FALSE(stored->raw);
            EXPECT_TRUE(std::equal(stored->bytes.begin(), stored->bytes.end(), sent.begin() + 8192 * bank))
                << "bank " << bank;
        }
        EXPECT_EQ(drive.nand.size(), BUILD_NUM_BANKS) << "one page per bank, nothing else";
        const std::vector<CommandSector> operations = drive.commands_with_opcode(CMD_FLASH_OP);
        ASSERT_EQ(operations.size(), 2 * BUILD_NUM_BANKS);
        for (const CommandSector& operation : operations) {
            EXPECT_EQ(operation[WORD_BYTE_COUNT], 8192u);
            EXPECT_EQ(operation[WORD_ROW_HIGH], c.page);
            EXPECT_EQ(operation[WORD_OPTIONS], operation[WORD_SUB_OP] == FOP_PROGRAM ? 0x46u : 6u);
            EXPECT_EQ(operation[WORD_SDRAM_ADDR], 0x40100000 + 8192 * operation[WORD_BANK]);
            EXPECT_EQ(operation[WORD_WAIT_FLAG], 0u);
            EXPECT_EQ(operation[WORD_BATCH_FLAG], 1u);
        }
        EXPECT_EQ(drive.commands.back()[WORD_OPCODE], CMD_FLASH_SYNC);
        EXPECT_STREQ(log_buffer, "Install bad block list\n");
    }
}

TEST_F(InstallBbLists, RuntimeTablesGoOutWithTheirMagicWordsAndKeepTheRest) {
    std::memset(work->runtime_bb_list, 0, sizeof work->runtime_bb_list);
    store_le32(work->runtime_bb_list[8] + 8, 0x12345678);
    const std::vector<uint8_t> initial_before = tables(work->initial_bb_list);

    ASSERT_EQ(install_bb_lists(1), 1);
    const std::vector<uint8_t> sent = BlockZeroDrive::first_payload();
    for (uint32_t bank = 0; bank < 32; ++bank) {
        EXPECT_EQ(load_le32(sent.data() + 8192 * bank), 0x39FB0248u) << "bank " << bank;
        EXPECT_EQ(load_le32(sent.data() + 8192 * bank + 4), 0x77884455u) << "bank " << bank;
    }
    EXPECT_EQ(load_le32(sent.data() + 8192 * 8 + 8), 0x12345678u);
    EXPECT_EQ(load_le32(sent.data() + 8192 * 8 + 12), 0u);
    EXPECT_EQ(tables(work->initial_bb_list), initial_before);
}

TEST_F(InstallBbLists, ATableThatReadsBackWrongFailsTheInstallAndIsDumped) {
    drive.damaged_banks = {8};
    drive.damaged_byte = 4000;
    testing::internal::CaptureStdout();
    EXPECT_EQ(install_bb_lists(0), 0);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "\nERROR: data corruption. see good.bin and bad.bin\n");
    EXPECT_STREQ(log_buffer, "Install bad block list\nData corruption. see good.bin and bad.bin\n");

    const std::vector<uint8_t> sent = tables(work->initial_bb_list);
    std::vector<uint8_t> read_back = sent;
    read_back[8192 * 8 + 4000] ^= 0x10;
    EXPECT_EQ(dump("good.bin"), sent);
    EXPECT_EQ(dump("bad.bin"), read_back);
}

TEST_F(InstallBbLists, EarlierDumpsAreOverwritten) {
    {
        std::ofstream old("good.bin", std::ios::binary);
        old << std::string(TABLES_BYTES + 1000, 'x');
    }
    drive.damaged_banks = {0};
    testing::internal::CaptureStdout();
    EXPECT_EQ(install_bb_lists(0), 0);
    testing::internal::GetCapturedStdout();
    EXPECT_EQ(dump("good.bin"), tables(work->initial_bb_list));
}

}  // namespace

#include "host_actions/controller_actions.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "host_actions/bank_status.h"
#include "host_main/factory_commands.h"
#include "little_endian.h"
#include "support/answering_drive.h"
#include "support/doubles/fake_clock.h"
#include "support/example_plugin.h"
#include "support/work_block_fixture.h"

namespace {

// A command sector as the drive received it, with the trail as it stood then.
struct SentCommand {
    std::vector<uint8_t> sector;
    std::string trail;

    uint32_t word(unsigned n) const {
        return load_le32(sector.data() + 4 * n);
    }
};

class ControllerActions : public WorkBlockTest {
  protected:
    AnsweringDrive drive;
    std::vector<SentCommand> sent;

    void SetUp() override {
        WorkBlockTest::SetUp();
        fake_clock_set_seconds(1262300399);
        load_example_plugin();
        attach_drive();
    }
    void TearDown() override {
        station_log_finish();
        WorkBlockTest::TearDown();
    }
    void attach_drive() {
        recording_disk_reset();
        sent.clear();
        drive.attach();
        auto answer = recording_disk.after_transfer;
        recording_disk.after_transfer = [this, answer](DiskTransfer& transfer) {
            if (transfer.is_write && transfer.position == 0) {
                sent.push_back({transfer.data, log_buffer});
            }
            answer(transfer);
        };
    }
};

TEST_F(ControllerActions, FactoryModeSectorKeepsItsSumAndPairRulesWhateverTheDraw) {
    bool pair_index_38_seen = false;
    for (int64_t seconds = 1262300399; seconds < 1262300399 + 1500; ++seconds) {
        fake_clock_set_seconds(seconds);
        attach_drive();
        enable_factory_mode(SDRAM_64_MB);
        ASSERT_EQ(sent.size(), 1u);
        const SentCommand& command = sent[0];
        uint32_t sum = 0;
        for (unsigned n = 0; n < 128; ++n) {
            sum += command.word(n);
        }
        ASSERT_EQ(sum, 0x71D4C6B9u) << "second " << seconds;
        const uint32_t k = command.word(31);
        ASSERT_GE(k, 38u);
        ASSERT_LE(k, 127u);
        if (k == 38) {
            pair_index_38_seen = true;
        } else {
            ASSERT_EQ(command.word(30) + command.word(k), 0x5A1C93D7u) << "second " << seconds;
        }
        ASSERT_EQ(command.word(0), 0x0Bu);
        ASSERT_EQ(command.word(33), 0x24204u);
        ASSERT_EQ(command.word(34), 0x518u);
        ASSERT_EQ(command.word(35), 0x27u);
        ASSERT_EQ(command.word(36), 0x3E0F800u);
        ASSERT_EQ(command.trail, "Enable factory mode\n");
        ASSERT_STREQ(log_buffer, "");
    }
    EXPECT_TRUE(pair_index_38_seen) << "the sum must also hold when it replaces the pair word";
}

TEST_F(ControllerActions, FactoryModeWordFollowsTheSdramSizeCode) {
    const struct {
        uint32_t code;
        uint32_t mode_word;
    } cases[] = {{0, 0x2EE00008}, {1, 0x2EE00009}, {2, 0x2EE0000A}, {7, 0x2EE0000A}};
    for (const auto& c : cases) {
        attach_drive();
        enable_factory_mode(c.code);
        EXPECT_EQ(sent.at(0).word(32), c.mode_word) << c.code;
    }
}

TEST_F(ControllerActions, SdramProbeFindsTheSizeByWhereItsWordsAlias) {
    const struct {
        SdramPart part;
        uint32_t code;
        uint32_t writes;
        uint32_t reads;
    } cases[] = {
        {SdramPart::mb16, SDRAM_16_MB, 2, 1},
        {SdramPart::mb32_open_above, SDRAM_32_MB, 4, 2},
        {SdramPart::mb32, SDRAM_32_MB, 4, 3},
        {SdramPart::mb64, SDRAM_64_MB, 4, 3},
    };
    for (const auto& c : cases) {
        drive = AnsweringDrive{};
        drive.sdram = c.part;
        attach_drive();
        put_to_log_buffer("Enable factory mode\n");
        EXPECT_EQ(probe_sdram_size(), c.code);
        EXPECT_EQ(drive.register_writes, c.writes);
        EXPECT_EQ(drive.register_reads, c.reads);
        EXPECT_STREQ(log_buffer, "Enable factory mode\n") << "the probe leaves the trail alone";
        clear_log_buffer();
    }
}

TEST_F(ControllerActions, FlashControllerResetCarriesTheConfigurationWords) {
    for (const bool big_ecc : {false, true}) {
        attach_drive();
        put_to_log_buffer("an earlier step\n");
        reset_flash_controller(big_ecc);
        ASSERT_EQ(sent.size(), 1u);
        EXPECT_EQ(sent[0].word(0), 7u);
        EXPECT_EQ(sent[0].word(14), big_ecc ? 0xC1C02501u : 0xC1C00501u);
        EXPECT_EQ(sent[0].word(15), 0x55FFFFFFu);
        EXPECT_EQ(sent[0].word(16), 0x18u);
        EXPECT_EQ(sent[0].trail, "Reset flash controller\n");
        EXPECT_STREQ(log_buffer, "");
    }
}

TEST_F(ControllerActions, BankResetReachesEveryPositionAndSettles) {
    set_command_word(WORD_SDRAM_ADDR, 0x40100000);
    set_command_word(WORD_BYTE_COUNT, 0x2000);
    set_command_word(WORD_ROW_LOW, 0x80);
    set_command_word(WORD_ROW_HIGH, 0x80);
    fake_clock_set_seconds(1262300399);
    reset_banks();
    ASSERT_EQ(sent.size(), 32u);
    std::string trail = "Reset banks\n";
    for (uint32_t bank = 0; bank < 32; ++bank) {
        const SentCommand& command = sent[bank];
        char name[24];
        std::snprintf(name, sizeof name, "Bank %02u(%c%u)\n", bank, 'A' + bank % 4, bank / 4);
        trail += name;
        EXPECT_EQ(command.trail, trail);
        EXPECT_EQ(command.word(WORD_OPCODE), CMD_FLASH_OP);
        EXPECT_EQ(command.word(WORD_SUB_OP), FOP_RESET);
        EXPECT_EQ(command.word(WORD_BANK), bank);
        EXPECT_EQ(command.word(WORD_OPTIONS), 0u);
        EXPECT_EQ(command.word(WORD_NAND_CMD), 0xFFu);
        EXPECT_EQ(command.word(WORD_WAIT_FLAG), 1u);
        EXPECT_EQ(command.word(WORD_BATCH_FLAG), 1u);
        // A reset names no data and no row: what earlier commands left stays.
        EXPECT_EQ(command.word(WORD_SDRAM_ADDR), 0x40100000u);
        EXPECT_EQ(command.word(WORD_BYTE_COUNT), 0x2000u);
        EXPECT_EQ(command.word(WORD_ROW_LOW), 0x80u);
        EXPECT_EQ(command.word(WORD_ROW_HIGH), 0x80u);
    }
    EXPECT_EQ(fake_clock_slept_milliseconds(), 100u);
    EXPECT_STREQ(log_buffer, "");
}

TEST_F(ControllerActions, BankStatusComesFourBanksToAWordInAddressOrder) {
    for (uint32_t bank = 0; bank < 32; ++bank) {
        drive.bank_status[bank] = static_cast<uint8_t>(0xA0 + bank);
    }
    const uint8_t* status = read_bank_status();
    ASSERT_EQ(sent.size(), 8u);
    for (uint32_t i = 0; i < 8; ++i) {
        EXPECT_EQ(sent[i].word(WORD_OPCODE), CMD_READ_REG);
        EXPECT_EQ(sent[i].word(WORD_REG_ADDR), 0x60000760u + 4 * i);
    }
    for (uint32_t bank = 0; bank < 32; ++bank) {
        EXPECT_EQ(status[bank], 0xA0 + bank) << bank;
    }
    EXPECT_EQ(read_bank_status(), status) << "one array for every call";
}

}  // namespace

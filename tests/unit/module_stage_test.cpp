#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <regex>
#include <string>
#include <vector>

#include "host_main/factory_commands.h"
#include "run_state/run_buffers.h"
#include "host_mass_production/stages.h"
#include "little_endian.h"
#include "platform/memory.h"
#include "support/answering_drive.h"
#include "support/captured_exit.h"
#include "support/doubles/fake_clock.h"
#include "support/example_plugin.h"
#include "support/scratch_dir.h"
#include "support/station_records.h"
#include "support/work_block_fixture.h"

namespace {

constexpr uint32_t REFERENCE_BANKS = 0x0F0F;

// One bank's ID line; `tab` is "\t" on the console and its JSON escape in a record.
std::string id_line(const char* name_format, uint32_t bank, const char* ids, const char* tab = "\t") {
    char name[16];
    std::snprintf(name, sizeof name, name_format, bank, 'A' + bank % 4, bank / 4);
    return std::string(name) + " low:" + ids + tab + "high:" + ids;
}

constexpr const char* REFERENCE_IDS = " EC D7 D5 29 38";

// The console lines and the trail of a drive whose banks all answer with the
// reference part, for the banks in `bank_map`.
std::string console_of(uint32_t bank_map) {
    std::string text;
    for (uint32_t bank = 0; bank < 32; ++bank) {
        if ((bank_map >> bank) & 1) {
            text += id_line("bank %02u(%c%u)", bank, REFERENCE_IDS) + "\n";
        }
    }
    return text;
}

std::string trail_of(uint32_t bank_map) {
    std::string text;
    for (uint32_t bank = 0; bank < 32; ++bank) {
        if ((bank_map >> bank) & 1) {
            text += id_line("Bank %02u(%c%u)", bank, REFERENCE_IDS, "\\t") + "\\n\\n";
        }
    }
    return text;
}

class ModuleStage : public WorkBlockTest {
  protected:
    AnsweringDrive drive;
    std::vector<std::vector<uint8_t>> commands;
    std::string records;
    ScratchDir scratch;
    std::string answers_path = scratch.file("answers.txt");

    void SetUp() override {
        WorkBlockTest::SetUp();
        fake_clock_set_seconds(1262300399);
        records = load_example_plugin();
        current_stage = STAGE_MODULE_TEST;
        test_buffer = static_cast<uint8_t*>(platform::aligned_allocate(512));
        drive.populate(REFERENCE_BANKS, REFERENCE_CHIPS);
        drive.attach();
        auto answer = recording_disk.after_transfer;
        recording_disk.after_transfer = [this, answer](DiskTransfer& transfer) {
            if (transfer.is_write && transfer.position == 0) {
                commands.push_back(transfer.data);
            }
            answer(transfer);
        };
    }
    void TearDown() override {
        station_log_finish();
        release_run_buffers();
        WorkBlockTest::TearDown();
    }
    // Standard input holds the operator's keys, as a station script gives them.
    void operator_types(const char* keys) {
        std::ofstream(answers_path, std::ios::binary) << keys;
        if (std::freopen(answers_path.c_str(), "r", stdin) == nullptr) {
            std::abort();
        }
    }
};

TEST_F(ModuleStage, TheBuildsConfigurationIsAcceptedAfterResetsAndIdReadsOfAllPositions) {
    testing::internal::CaptureStdout();
    module_test(false);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "initialize flash\n" + console_of(REFERENCE_BANKS));
    EXPECT_EQ(work->initialized, 1u);

    // Controller reset, 32 bank resets, then an ID read and a copy per position.
    ASSERT_EQ(commands.size(), 1 + 32 + 2 * 32u);
    EXPECT_EQ(load_le32(commands[0].data()), CMD_RESET_FLASH_CTRL);
    EXPECT_EQ(load_le32(commands[0].data() + 4 * WORD_CTRL_CONFIG), 0xC1C00501u);
    for (uint32_t bank = 0; bank < 32; ++bank) {
        const uint8_t* read_id = commands[33 + 2 * bank].data();
        const uint32_t words[][2] = {{WORD_OPCODE, CMD_FLASH_OP},
                                     {WORD_SUB_OP, FOP_READ_ID},
                                     {WORD_BANK, bank},
                                     {WORD_OPTIONS, 0},
                                     {WORD_SDRAM_ADDR, 0xFFFFFFFF},
                                     {WORD_BYTE_COUNT, 16},
                                     {WORD_NAND_CMD, 0},
                                     {WORD_ROW_LOW, 0},
                                     {WORD_ROW_HIGH, 0},
                                     {WORD_WAIT_FLAG, 1},
                                     {WORD_BATCH_FLAG, 1}};
        for (const auto& [word, value] : words) {
            EXPECT_EQ(load_le32(read_id + 4 * word), value) << "bank " << bank << " word " << word;
        }
        const uint8_t* copy = commands[34 + 2 * bank].data();
        EXPECT_EQ(load_le32(copy + 4 * WORD_OPCODE), CMD_BUFFER_COPY);
        EXPECT_EQ(load_le32(copy + 4 * WORD_SUB_OP), 1u);
        EXPECT_EQ(load_le32(copy + 4 * WORD_COPY_SRC), 0xFFFFFFFFu);
        EXPECT_EQ(load_le32(copy + 4 * WORD_COPY_DST), 0x40000000u);
        EXPECT_EQ(load_le32(copy + 4 * WORD_COPY_LEN), 16u);
    }
}

TEST_F(ModuleStage, OperatorMayTakeADriveWithMoreFlash) {
    drive.populate(REFERENCE_BANKS | 0x10, REFERENCE_CHIPS);
    std::string printed;
    EXPECT_EXIT_CAPTURED(
        {
            operator_types("xY");
            module_test(true);
            std::fflush(stdout);
            std::_Exit(work->initialized == 1 ? 0 : 2);
        },
        0, printed);
    EXPECT_EQ(printed, "initialize flash\n" + console_of(REFERENCE_BANKS | 0x10) +
                           "bank_bmp = 0F1F\n"
                           "WARNING: Detected flash configuration is larger than intended. Proceed ?y\n");
    EXPECT_FALSE(std::ifstream(records).good()) << "no record while the stage goes on";
}

using ModuleStageDeathTest = ModuleStage;

TEST_F(ModuleStageDeathTest, RefusedConfigurationsDeliverTheIdDumpAsFailRecord) {
    const std::string at = "error at src/host_mass_production/module_test.cpp ";
    const std::string must_be = "ERROR: bank configuration error (must be 0F0F)\n";
    const std::string larger = "WARNING: Detected flash configuration is larger than intended. Proceed ?n\n";
    const std::string wrong_maker_trail =
        "ERROR : Invalid flash maker code\\nCurrent Maker ID = 0098  Original Maker ID = 00EC\\n";
    struct Case {
        const char* what;
        uint32_t banks;
        int32_t wrong_maker_bank;  // -1: none
        bool operator_mode;
        std::string console;
        std::string record;
    };
    const Case cases[] = {
        {"one bank with a wrong maker", REFERENCE_BANKS, 9, true,
         console_of(0x0D0F).replace(console_of(0x0D0F).find("bank 10"), 0,
                                    id_line("bank %02u(%c%u)", 9, " 98 D7 D5 29 38") + " ERROR \n") +
             "bank_bmp = 0D0F\n" + must_be,
         trail_of(0x0D0F).replace(
             trail_of(0x0D0F).find("Bank 10"), 0,
             wrong_maker_trail + id_line("Bank %02u(%c%u)", 9, " 98 D7 D5 29 38", "\\t") + "\\n\\n") +
             "Bank configuration error (must be 0F0F)\\nCurrent configuration = 0D0F"},
        {"a missing bank", 0x0F0E, -1, false, console_of(0x0F0E) + "bank_bmp = 0F0E\n" + must_be,
         trail_of(0x0F0E) + "Bank configuration error (must be 0F0F)\\nCurrent configuration = 0F0E"},
        {"more flash without operator mode", 0x0F1F, -1, false,
         console_of(0x0F1F) + "bank_bmp = 0F1F\n" + must_be,
         trail_of(0x0F1F) + "Bank configuration error (must be 0F0F)\\nCurrent configuration = 0F1F"},
        {"more flash, operator declines", 0x0F1F, -1, true, console_of(0x0F1F) + "bank_bmp = 0F1F\n" + larger,
         trail_of(0x0F1F) +
             "Detected flash configuration is larger than intended.\\nCurrent configuration = 0F1F"},
        {"no flash at all", 0, -1, true, "bank_bmp = 0000\n" + must_be,
         "Bank configuration error (must be 0F0F)\\nCurrent configuration = 0000"},
    };
    for (const Case& c : cases) {
        std::remove(records.c_str());
        drive.populate(c.banks, REFERENCE_CHIPS);
        if (c.wrong_maker_bank >= 0) {
            drive.ids[c.wrong_maker_bank][0] = 0x9898;
        }
        std::string printed;
        EXPECT_EXIT_CAPTURED(
            {
                operator_types("n");
                module_test(c.operator_mode);
            },
            1, printed);
        const std::string expected = "initialize flash\n" + c.console + at;
        EXPECT_EQ(printed.substr(0, expected.size()), expected) << c.what;
        EXPECT_TRUE(std::regex_match(printed.substr(expected.size()), std::regex("[0-9]+\n"))) << printed;
        EXPECT_EQ(read_records(records),
                  (std::vector<std::string>{write_record(1, 4, c.record), FINALIZE_RECORD}))
            << c.what;
    }
}

}  // namespace

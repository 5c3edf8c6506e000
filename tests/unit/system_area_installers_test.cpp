#include "host_install/system_area_installers.h"

#include <gtest/gtest.h>

#include <regex>
#include <string>
#include <vector>

#include "host_install/hil_context.h"
#include "host_install/master_info.h"
#include "host_install/metadata_image.h"
#include "support/captured_exit.h"
#include "support/firmware_context_fixture.h"
#include "support/flash_commands.h"
#include "support/station_records.h"

namespace {

class SystemAreaInstallers : public FirmwareContextTest {
  protected:
    static size_t fetched_bytes() {
        size_t fetched = 0;
        for (const DiskTransfer& t : recording_disk.transfers) {
            fetched += t.is_write ? 0 : t.bytes;
        }
        return fetched;
    }

    // A context with some bad blocks, so that the image is not all zero.
    void SetUp() override {
        FirmwareContextTest::SetUp();
        add_initial(0, {10, 0x8000 | 21});
        add_initial(5, {300, 0x8000 | 301, 0x8000 | 4000});
        add_runtime(7, {1234, CHIP_MASK_LOW, BB_TYPE_EB});
        build_context();
        drive.commands.clear();
        clear_log_buffer();
    }
};

TEST_F(SystemAreaInstallers, ZeroPageFillsEveryPageOfEachBanksZeroPagePairAndChecksEachPageOfAllBanks) {
    install_zero_page();
    std::vector<FlashCommand> expected;
    for (uint32_t page = 0; page < 128; ++page) {
        for (uint32_t i = 0; i < 8; ++i) {
            const uint32_t row = load_le16(bank_record(i) + 2) * 128 + page;
            expected.push_back(pair_page(FOP_PROGRAM, BUILD_BANK_TABLE[i], 0x40100000, 16384, row, 0));
        }
    }
    for (uint32_t page = 0; page < 128; ++page) {
        for (uint32_t i = 0; i < 8; ++i) {
            const uint32_t row = load_le16(bank_record(i) + 2) * 128 + page;
            expected.push_back(
                pair_page(FOP_READ, BUILD_BANK_TABLE[i], 0x40100000 + 16384 * i, 16384, row, 0));
        }
        expected.push_back(SYNC);
    }
    EXPECT_EQ(flash_commands(drive), expected);
    EXPECT_EQ(load_le16(bank_record(0) + 2), 3u) << "bank 0: pairs 5 and 10 are bad";
    EXPECT_EQ(BlockZeroDrive::first_payload(), std::vector<uint8_t>(16384, 0));
    EXPECT_EQ(fetched_bytes(), 128u * 8 * 16384) << "all eight pages of every page number";
}

TEST_F(SystemAreaInstallers, MetadataUnitsAreDealtToTheBanksInTurnAndReadBackInTheSameOrder) {
    install_metadata();
    std::vector<FlashCommand> programs, reads;
    for (uint32_t c = 0; c < 761; ++c) {
        const uint32_t i = c % 8;
        const uint32_t row = load_le16(master_info_buffer + 0x04 + 2 * i) * 128 + c / 8;
        programs.push_back(
            pair_page(FOP_PROGRAM, BUILD_BANK_TABLE[i], 0x40100000 + 16384 * c, 16384, row, 0));
        reads.push_back(pair_page(FOP_READ, BUILD_BANK_TABLE[i], 0x40100000 + 16384 * c, 16384, row, 0));
    }
    std::vector<FlashCommand> expected = programs;
    expected.push_back(SYNC);
    expected.insert(expected.end(), reads.begin(), reads.end());
    expected.push_back(SYNC);
    EXPECT_EQ(flash_commands(drive), expected);
    EXPECT_EQ(expected[760].row_low % 128, 95u) << "the last unit: bank index 0, page 95";
    EXPECT_EQ(BlockZeroDrive::first_payload(),
              std::vector<uint8_t>(metadata_buffer, metadata_buffer + METADATA_IMAGE.total_bytes));
    EXPECT_EQ(fetched_bytes(), 24330u * 512) << "the content in whole sectors";
}

TEST_F(SystemAreaInstallers, HilContextAndMasterInfoTravelWithTheirProgramToTheFirstBank) {
    // Bank index 0 has its system blocks 21 (low chip) and 10 (high chip).
    const uint32_t hil_row = load_le16(master_info_buffer + 0x50) * 128;
    install_hil_context();
    install_master_info();
    const std::vector<FlashCommand> expected = {
        pair_page(FOP_PROGRAM, 0, 0x40100000, 16384, hil_row, 0),
        pair_page(FOP_READ, 0, 0x40100000, 16384, hil_row, 1),
        {CMD_FLASH_OP, FOP_PROGRAM, 0, 0x46, 0x40100000, 1024, 21 * 128, 10 * 128, 0, 1},
        {CMD_FLASH_OP, FOP_READ, 0, 6, 0x40100000, 1024, 21 * 128, 10 * 128, 1, 1},
    };
    EXPECT_EQ(flash_commands(drive), expected);
    EXPECT_EQ(hil_context, nullptr) << "released once verified";
    EXPECT_EQ(fetched_bytes(), 16384u + 1024);
    // The payloads went with their commands.
    std::vector<size_t> payload_bytes;
    for (const DiskTransfer& t : recording_disk.transfers) {
        if (t.is_write && t.position == 0x100000) {
            payload_bytes.push_back(t.bytes);
        }
    }
    EXPECT_EQ(payload_bytes, (std::vector<size_t>{32 * 512, 2 * 512}));
}

TEST_F(SystemAreaInstallers, MasterInfoBeyondItsContentIsNotCompared) {
    drive.damaged_banks = {0};
    drive.damaged_byte = 116;
    install_master_info();
    EXPECT_EQ(log_buffer[0], '\0') << "the trail is cleared after a verified install";
}

using SystemAreaInstallersDeathTest = SystemAreaInstallers;

TEST_F(SystemAreaInstallersDeathTest, AReadBackDifferenceEndsTheRunWithItsDumpsAndStationRecord) {
    const std::string corruption = "\nERROR: data corruption. see good.bin and bad.bin\n";
    struct Case {
        void (*install)();
        uint32_t damaged_bank;
        uint32_t damaged_byte;
        std::string console;  // before "error at"
        std::string source;
        std::string record;
        size_t dump_bytes;  // 0: no dump files
    };
    const Case cases[] = {
        {install_zero_page, 11, 16383, "", "install_zero_page",
         "Installing zero page...Zero page install fail", 0},
        {install_metadata, 9, 5000, corruption, "install_metadata",
         "installing metadata...Metadata install fail\\ndata corruption. see good.bin and bad.bin\\n",
         0xBE1370},
        {install_hil_context, 0, 16383, corruption, "install_hil_context",
         "installing HIL context...HIL install fail\\nData corruption. see good.bin and bad.bin\\n", 16384},
        {install_master_info, 0, 115, corruption, "install_master_info",
         "installing master info...Master install fail\\nData corruption. see good.bin and bad.bin\\n", 116},
    };
    for (const Case& c : cases) {
        drive.damaged_banks = {c.damaged_bank};
        drive.damaged_byte = c.damaged_byte;
        std::vector<uint8_t> written;
        if (c.install == install_metadata) {
            written.assign(metadata_buffer, metadata_buffer + c.dump_bytes);
        } else if (c.install == install_hil_context) {
            written.assign(hil_context, hil_context + c.dump_bytes);
        } else {
            written.assign(master_info_buffer, master_info_buffer + c.dump_bytes);
        }
        std::string printed;
        EXPECT_EXIT_CAPTURED(c.install(), 1, printed);
        EXPECT_TRUE(std::regex_match(
            printed, std::regex(c.console + "error at src/host_install/" + c.source + "\\.cpp \\d+\n")))
            << printed;
        EXPECT_EQ(read_records(records_path),
                  (std::vector<std::string>{write_record(3, 4, c.record), FINALIZE_RECORD}))
            << c.source;
        EXPECT_EQ(dump_exists("good.bin"), c.dump_bytes != 0) << c.source;
        if (c.dump_bytes != 0) {
            std::vector<uint8_t> read = written;
            read[c.damaged_byte] ^= 0x10;
            EXPECT_EQ(dump("good.bin"), written) << c.source;
            if (c.install != install_metadata) {
                EXPECT_EQ(dump("bad.bin"), read) << c.source;
            } else {
                EXPECT_EQ(dump("bad.bin").size(), c.dump_bytes);
            }
        }
        std::remove(records_path.c_str());
        std::remove("good.bin");
        std::remove("bad.bin");
    }
}

}  // namespace

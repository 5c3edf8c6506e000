#include "host_install/block_zero_writer.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "codec/random.h"
#include "host_install/calibration_pattern.h"
#include "host_main/factory_commands.h"
#include "images/encode_image.h"
#include "platform/memory.h"
#include "selected_build.h"
#include "support/captured_exit.h"
#include "support/doubles/fake_clock.h"
#include "support/install_fixture.h"

namespace {

std::vector<uint8_t> counting_bytes(size_t bytes, uint8_t step) {
    std::vector<uint8_t> data(bytes);
    for (size_t i = 0; i < bytes; ++i) {
        data[i] = static_cast<uint8_t>(i * step + i / 251);
    }
    return data;
}

std::vector<uint8_t> slot(const std::vector<uint8_t>& run, uint32_t k, uint32_t page_slot) {
    return {run.begin() + k * page_slot, run.begin() + (k + 1) * page_slot};
}

class BlockZeroWriter : public InstallTest {
  protected:
    uint8_t* aligned_source = nullptr;

    void SetUp() override {
        InstallTest::SetUp();
        aligned_source = static_cast<uint8_t*>(platform::aligned_allocate(0x10000));
        ASSERT_NE(aligned_source, nullptr);
    }
    void TearDown() override {
        platform::aligned_release(aligned_source);
        InstallTest::TearDown();
    }
    // Sources that are sent as they are lie on a sector boundary, as the
    // staging areas do.
    const uint8_t* aligned(const std::vector<uint8_t>& data) {
        std::copy(data.begin(), data.end(), aligned_source);
        return aligned_source;
    }
    // Every expected bank holds `expected` slot by slot from first_page on,
    // as plain or raw pages, and no other bank holds anything.
    void expect_pages(uint32_t first_page, const std::vector<uint8_t>& expected, uint32_t page_slot,
                      bool raw) {
        const uint32_t pages = static_cast<uint32_t>(expected.size()) / page_slot;
        for (uint32_t bank = 0; bank < 32; ++bank) {
            const bool expected_bank = (BUILD_BANK_BMP >> bank) & 1;
            for (uint32_t k = 0; k < pages; ++k) {
                const StoredPage* stored = drive.page(bank, first_page + k);
                if (!expected_bank) {
                    EXPECT_EQ(stored, nullptr) << "bank " << bank;
                    continue;
                }
                ASSERT_NE(stored, nullptr) << "bank " << bank << " page " << first_page + k;
                EXPECT_EQ(stored->raw, raw);
                EXPECT_EQ(stored->bytes, slot(expected, k, page_slot)) << "bank " << bank << " page " << k;
            }
        }
        EXPECT_EQ(drive.nand.size(), BUILD_NUM_BANKS * pages);
    }
};

using BlockZeroWriterDeathTest = BlockZeroWriter;

TEST_F(BlockZeroWriter, PlainPagesAreProgrammedOnEveryBankThenReadBackIntoOneCopyPerBank) {
    const struct {
        uint32_t first_page, pages, page_slot;
        std::vector<uint8_t> data;
    } cases[] = {
        {1, 2, 2048, std::vector<uint8_t>(4096, 0xFF)},
        {6, 3, 8192, counting_bytes(3 * 8192, 3)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.first_page);
        recording_disk_reset();
        drive = {};
        drive.attach();
        ASSERT_EQ(write_block_zero_pages(aligned(c.data), c.first_page, c.pages, c.page_slot, 0, 0, 0), 1);
        EXPECT_EQ(BlockZeroDrive::first_payload(), c.data);
        expect_pages(c.first_page, c.data, c.page_slot, false);

        // Data, every program (page by page, bank by bank), one sync, every
        // read in the same order, one sync.
        const uint32_t operations = c.pages * BUILD_NUM_BANKS;
        const uint32_t total = c.pages * c.page_slot;
        ASSERT_EQ(drive.commands.size(), 2 * operations + 3);
        EXPECT_EQ(drive.commands[0][WORD_OPCODE], CMD_DATA_ONLY);
        EXPECT_EQ(drive.commands[1 + operations][WORD_OPCODE], CMD_FLASH_SYNC);
        EXPECT_EQ(drive.commands.back()[WORD_OPCODE], CMD_FLASH_SYNC);
        for (uint32_t n = 0; n < operations; ++n) {
            const uint32_t k = n / BUILD_NUM_BANKS;
            const uint32_t bank_index = n % BUILD_NUM_BANKS;
            const CommandSector& program = drive.commands[1 + n];
            const CommandSector& read = drive.commands[2 + operations + n];
            for (const CommandSector* op : {&program, &read}) {
                EXPECT_EQ((*op)[WORD_BANK], BUILD_BANK_TABLE[bank_index]);
                EXPECT_EQ((*op)[WORD_ROW_LOW], c.first_page + k);
                EXPECT_EQ((*op)[WORD_BYTE_COUNT], c.page_slot);
                EXPECT_EQ((*op)[WORD_WAIT_FLAG], 0u);
                EXPECT_EQ((*op)[WORD_BATCH_FLAG], 1u);
            }
            EXPECT_EQ(program[WORD_SUB_OP], FOP_PROGRAM);
            EXPECT_EQ(program[WORD_OPTIONS], 0x46u);
            EXPECT_EQ(program[WORD_SDRAM_ADDR], 0x40100000 + k * c.page_slot);
            EXPECT_EQ(read[WORD_SUB_OP], FOP_READ);
            EXPECT_EQ(read[WORD_OPTIONS], 6u);
            EXPECT_EQ(read[WORD_SDRAM_ADDR], 0x40100000 + k * c.page_slot + bank_index * total);
        }
        EXPECT_STREQ(log_buffer, "Write to block zero\n");
        clear_log_buffer();
    }
}

TEST_F(BlockZeroWriter, CopyModePutsTheSourceIntoErasedPages) {
    const std::vector<uint8_t> stamp = counting_bytes(1500, 5);
    const std::vector<uint8_t> long_source = counting_bytes(5000, 7);
    const std::vector<uint8_t> full_page = counting_bytes(2048, 9);
    std::vector<uint8_t> stamp_page = stamp;
    stamp_page.resize(2048, 0xFF);
    const struct {
        const char* what;
        const uint8_t* source;
        int copy;
        uint32_t length;
        std::vector<uint8_t> pages;
    } cases[] = {
        {"stamp", stamp.data(), 1, 1500, stamp_page},
        {"a source longer than the pages fills them", long_source.data(), 1, 5000,
         slot(long_source, 0, 2048)},
        {"only copy flag 1 copies", aligned(full_page), 2, 10, full_page},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        recording_disk_reset();
        drive = {};
        drive.attach();
        ASSERT_EQ(write_block_zero_pages(c.source, 4, 1, 2048, 0, c.copy, c.length), 1);
        EXPECT_EQ(BlockZeroDrive::first_payload(), c.pages);
        expect_pages(4, c.pages, 2048, false);
    }
}

TEST_F(BlockZeroWriter, EncodedPagesAreProgrammedRawInFivePartsAndReadBackAsTheirDataWords) {
    const std::vector<uint8_t> image = counting_bytes(3000, 13);
    std::vector<uint8_t> slots(2 * 2560, 0xFF);
    encode_image(image.data(), static_cast<uint32_t>(image.size()), slots.data());

    ASSERT_EQ(write_block_zero_pages(aligned(slots), 9, 2, 2560, 1, 0, 3000), 1);
    EXPECT_EQ(BlockZeroDrive::first_payload(), slots);
    expect_pages(9, slots, 2560, true);

    // Each bank's page: five buffer copies, each followed by its part, then a sync.
    const uint32_t per_page = 11;
    const uint32_t part_sub_ops[] = {2, 3, 3, 3, 4};
    for (uint32_t n = 0; n < 2 * BUILD_NUM_BANKS; ++n) {
        const uint32_t k = n / BUILD_NUM_BANKS;
        const uint32_t bank = BUILD_BANK_TABLE[n % BUILD_NUM_BANKS];
        const CommandSector* page = &drive.commands[1 + n * per_page];
        for (uint32_t part = 0; part < 5; ++part) {
            const CommandSector& copy = page[2 * part];
            const CommandSector& program = page[2 * part + 1];
            EXPECT_EQ(copy[WORD_OPCODE], CMD_BUFFER_COPY);
            EXPECT_EQ(copy[WORD_SUB_OP], 1u);
            EXPECT_EQ(copy[WORD_COPY_SRC], 0x40100000 + k * 2560 + 512 * part);
            EXPECT_EQ(copy[WORD_COPY_DST], 0xFFFFFFFFu);
            EXPECT_EQ(copy[WORD_COPY_LEN], 512u);
            EXPECT_EQ(program[WORD_OPCODE], CMD_FLASH_OP);
            EXPECT_EQ(program[WORD_SUB_OP], part_sub_ops[part]);
            EXPECT_EQ(program[WORD_BANK], bank);
            EXPECT_EQ(program[WORD_OPTIONS], 0x40u);
            EXPECT_EQ(program[WORD_SDRAM_ADDR], 0xFFFFFFFFu);
            EXPECT_EQ(program[WORD_BYTE_COUNT], 512u);
            EXPECT_EQ(program[WORD_ROW_LOW], 9 + k);
            EXPECT_EQ(program[WORD_WAIT_FLAG], 1u);
        }
        EXPECT_EQ(page[10][WORD_OPCODE], CMD_FLASH_SYNC);
    }
}

TEST_F(BlockZeroWriter, EveryBankThatReadsBackWrongIsReportedAndDumped) {
    const std::vector<uint8_t> stamp = counting_bytes(1500, 5);
    std::vector<uint8_t> stamp_page = stamp;
    stamp_page.resize(2048, 0xFF);
    drive.damaged_banks = {0, 9};
    testing::internal::CaptureStdout();
    EXPECT_EQ(write_block_zero_pages(stamp.data(), 4, 1, 2048, 0, 1, 1500), 0);
    EXPECT_EQ(testing::internal::GetCapturedStdout(),
              "\nERROR: data corruption. see good.bin and bad.bin\nbank 0=A0\t\n"
              "\nERROR: data corruption. see good.bin and bad.bin\nbank 9=B2\t\n");
    EXPECT_STREQ(log_buffer,
                 "Write to block zero\n"
                 "Data corruption. see good.bin and bad.bin\nbank 0=A0\t\n"
                 "Data corruption. see good.bin and bad.bin\nbank 9=B2\t\n");
    EXPECT_EQ(dump("good.bin"), stamp_page);
    for (const uint32_t bank : {0u, 9u}) {
        std::vector<uint8_t> read_back = stamp_page;
        read_back[drive.damaged_byte] ^= 0x10;
        EXPECT_EQ(dump(("bad" + std::to_string(bank) + ".bin").c_str()), read_back);
    }
    EXPECT_FALSE(dump_exists("bad8.bin"));
    EXPECT_FALSE(dump_exists("bad.bin"));
}

// The reference dump of an encoded run is what the banks should have read
// back, so that it lines up with the bank's dump byte for byte.
TEST_F(BlockZeroWriter, AnEncodedPageThatReadsBackWrongDumpsTheExpectedDataWords) {
    const std::vector<uint8_t> image = counting_bytes(2048, 17);
    std::vector<uint8_t> slots(2560, 0xFF);
    encode_image(image.data(), 2048, slots.data());
    drive.damaged_banks = {BUILD_BANK_TABLE[BUILD_NUM_BANKS - 1]};
    testing::internal::CaptureStdout();
    EXPECT_EQ(write_block_zero_pages(aligned(slots), 9, 1, 2560, 1, 0, 2048), 0);
    testing::internal::GetCapturedStdout();

    std::vector<uint8_t> expected(2560, 0xFF);
    for (uint32_t sector = 0; sector < 4; ++sector) {
        std::copy_n(slots.begin() + 540 * sector, 512, expected.begin() + 512 * sector);
    }
    EXPECT_EQ(dump("good.bin"), expected);
    std::vector<uint8_t> read_back = expected;
    read_back[drive.damaged_byte] ^= 0x10;
    EXPECT_EQ(dump(("bad" + std::to_string(BUILD_BANK_TABLE[BUILD_NUM_BANKS - 1]) + ".bin").c_str()),
              read_back);
}

TEST_F(BlockZeroWriterDeathTest, ARunThatIsNotWholeSectorsOrTooSmallForEncodedPagesIsADebugAssertionFailure) {
    const std::vector<uint8_t> data(8192, 0xFF);
    const struct {
        uint32_t pages, page_slot;
        int encoded;
    } cases[] = {{1, 2000, 0}, {2, 2048, 1}, {0, 2048, 0}};
    for (const auto& c : cases) {
        std::string printed;
        EXPECT_EXIT_CAPTURED((close_console_input(),
                              write_block_zero_pages(data.data(), 1, c.pages, c.page_slot, c.encoded, 0, 0)),
                             1, printed);
        EXPECT_TRUE(
            printed.starts_with("\ndebug assertion failure\nsrc/host_install/block_zero_writer.cpp : "))
            << printed;
    }
}

TEST(CalibrationPattern, ARandomPageAHalfWordPageAndAnAlternatingPage) {
    std::vector<uint8_t> pattern(CALIBRATION_PATTERN_BYTES, 0x5A);
    std::vector<uint8_t> again(CALIBRATION_PATTERN_BYTES);
    make_calibration_pattern(0x4B1D, pattern.data());
    make_calibration_pattern(0x4B1D, again.data());
    EXPECT_EQ(pattern, again);

    random_init(0x4B1D);
    for (uint32_t word = 0; word < 4096; ++word) {
        const auto expected = static_cast<uint16_t>(random_range(0, 0xFFFF));
        ASSERT_EQ(pattern[2 * word] | pattern[2 * word + 1] << 8, expected) << "word " << word;
    }
    const uint8_t half_words[] = {0x00, 0x00, 0xFF, 0xFF};
    const uint8_t alternating[] = {0x00, 0x00, 0x00, 0x00, 0xFF, 0xFF, 0xFF, 0xFF};
    for (uint32_t byte = 8192; byte < 16384; ++byte) {
        ASSERT_EQ(pattern[byte], half_words[byte % 4]) << "byte " << byte;
    }
    for (uint32_t byte = 16384; byte < 24576; ++byte) {
        ASSERT_EQ(pattern[byte], alternating[byte % 8]) << "byte " << byte;
    }

    make_calibration_pattern(0x4B1E, again.data());
    EXPECT_NE(slot(pattern, 0, 8192), slot(again, 0, 8192));
}

TEST_F(BlockZeroWriter, TheCalibrationPatternIsSeededWithTheTimeAndGoesToPagesSixToEight) {
    fake_clock_set_seconds(0x1234567890);
    std::vector<uint8_t> pattern(CALIBRATION_PATTERN_BYTES);
    make_calibration_pattern(0x34567890, pattern.data());
    ASSERT_EQ(write_calibration_pattern(), 1);
    EXPECT_EQ(BlockZeroDrive::first_payload(), pattern);
    expect_pages(6, pattern, 8192, false);
}

}  // namespace

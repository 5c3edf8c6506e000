#include "host_mass_production/initial_scan.h"

#include <gtest/gtest.h>

#include <cstring>
#include <regex>
#include <set>
#include <string>
#include <vector>

#include "host_main/factory_commands.h"
#include "little_endian.h"
#include "platform/memory.h"
#include "support/bad_block_fixture.h"
#include "support/captured_exit.h"

namespace {

constexpr uint32_t HIGH = 1u << 31;
constexpr uint32_t LOW = 1u << 30;

uint32_t scan_entry(uint32_t chips, uint32_t bank, uint32_t block) {
    return chips | bank << 24 | block;
}

// The 200 sectors the drive leaves: the count, a word not read, the entries
// and the terminator.
std::vector<uint8_t> scan_result(const std::vector<uint32_t>& entries, uint32_t terminator = 0xFFFFFFFF) {
    std::vector<uint32_t> words = {static_cast<uint32_t>(entries.size()), 0x5EEDF00D};
    words.insert(words.end(), entries.begin(), entries.end());
    words.push_back(terminator);
    return page_of_words(words, 200 * 512);
}

std::string bank_lines(uint32_t low, const char* low_share, uint32_t high, const char* high_share,
                       const char* bank) {
    return std::to_string(low) + " bad blocks = " + low_share + "% in  low bank " + bank + "\t\n" +
           std::to_string(high) + " bad blocks = " + high_share + "% in high bank " + bank + "\t\n";
}

class InitialScan : public BadBlockTest {
  protected:
    uint8_t* result = nullptr;
    BankSelection blank = {};

    void SetUp() override {
        BadBlockTest::SetUp();
        result = static_cast<uint8_t*>(platform::aligned_allocate(200 * 512));
    }
    void TearDown() override {
        platform::aligned_release(result);
        BadBlockTest::TearDown();
    }
    void select(std::initializer_list<uint32_t> banks) {
        for (uint32_t bank : banks) {
            blank[bank] = 1;
        }
    }
};

TEST_F(InitialScan, DriveIsToldTheBanksAndGeometryThenGivenEightySecondsBeforeTheResultIsRead) {
    select({0, 1, 2, 3, 8, 9, 10, 11});
    drive.scan_result = scan_result({});
    append_initial_bb_entry(work->initial_bb_list[0], {12, false});  // a list from before is replaced
    testing::internal::CaptureStdout();
    scan_initial_bad_blocks(result, blank);
    const std::string printed = testing::internal::GetCapturedStdout();

    ASSERT_EQ(drive.commands.size(), 1u);
    const BadBlockDriveCommand& scan = drive.commands[0];
    EXPECT_TRUE(carries_words(scan, {{WORD_OPCODE, CMD_SCAN_INITIAL_BAD},
                                     {WORD_SCAN_WORD22, 1},
                                     {WORD_SCAN_WORD21, 8192},
                                     {WORD_NAND_CMD, 0x1000},
                                     {WORD_BYTE_COUNT, 4},
                                     {WORD_SCAN_PAGES, 128},
                                     {WORD_BANK_MAP, 0x0F0F},
                                     {WORD_SCAN_PAGES_LOG2, 7}}));
    EXPECT_EQ(scan.trail, "Scan for initial bad blocks\n");
    EXPECT_EQ(fake_clock_slept_milliseconds(), 80000u);
    const DiskTransfer& read = recording_disk.transfers.back();
    EXPECT_FALSE(read.is_write);
    EXPECT_EQ(read.position, 0x100000u);
    EXPECT_EQ(read.bytes, 200 * 512u);

    EXPECT_EQ(printed,
              bank_lines(0, "0.00", 0, "0.00", "0=A0") + bank_lines(0, "0.00", 0, "0.00", "1=B0") +
                  bank_lines(0, "0.00", 0, "0.00", "2=C0") + bank_lines(0, "0.00", 0, "0.00", "3=D0") +
                  bank_lines(0, "0.00", 0, "0.00", "8=A2") + bank_lines(0, "0.00", 0, "0.00", "9=B2") +
                  bank_lines(0, "0.00", 0, "0.00", "10=C2") + bank_lines(0, "0.00", 0, "0.00", "11=D2"));
    EXPECT_TRUE(initial_entries(0).empty());
    EXPECT_STREQ(log_buffer, "");
    for (uint32_t bank = 0; bank < 32; ++bank) {
        EXPECT_EQ(work->scan_list_found[bank], 0) << "bank " << bank;
    }
}

TEST_F(InitialScan, EntriesOfScannedBanksFillTheirListsHighChipFirstAndOthersAreLeftAlone) {
    select({0, 9});
    append_initial_bb_entry(work->initial_bb_list[2], {33, true});
    drive.scan_result = scan_result({
        scan_entry(HIGH | LOW, 0, 0x123),
        scan_entry(LOW, 9, 77),
        scan_entry(0, 1, 5),     // not scanned: passed over though it names no chip
        scan_entry(HIGH, 2, 6),  // not scanned
        scan_entry(HIGH, 9, 8191),
        scan_entry(LOW, 0, 0),
    });
    testing::internal::CaptureStdout();
    scan_initial_bad_blocks(result, blank);
    EXPECT_EQ(testing::internal::GetCapturedStdout(),
              bank_lines(2, "0.02", 1, "0.01", "0=A0") + bank_lines(1, "0.01", 1, "0.01", "9=B2"));

    EXPECT_EQ(initial_entries(0), (std::vector<uint16_t>{0x8123, 0x0123, 0}));
    EXPECT_EQ(initial_entries(9), (std::vector<uint16_t>{77, 0x8000 | 8191}));
    EXPECT_EQ(initial_entries(2), std::vector<uint16_t>{0x8000 | 33});
    EXPECT_TRUE(initial_entries(1).empty());
    EXPECT_EQ(work->scan_list_found[0], 1);
    EXPECT_EQ(work->scan_list_found[9], 1);
    EXPECT_EQ(work->scan_list_found[1], 0);
    EXPECT_EQ(work->scan_list_found[2], 0);
}

TEST_F(InitialScan, AResultFillingAllTwoHundredSectorsIsTaken) {
    select({0});
    std::vector<uint32_t> entries(25597, scan_entry(LOW, 1, 1));
    entries.back() = scan_entry(LOW, 0, 4);
    drive.scan_result = scan_result(entries);
    testing::internal::CaptureStdout();
    scan_initial_bad_blocks(result, blank);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), bank_lines(1, "0.01", 0, "0.00", "0=A0"));
    EXPECT_EQ(initial_entries(0), std::vector<uint16_t>{4});
}

using InitialScanDeathTest = InitialScan;

TEST_F(InitialScanDeathTest, MalformedResultsEndTheRunEachFromItsOwnCheck) {
    select({0, 1, 4});  // position 4 is not expected in this build
    const struct {
        const char* what;
        std::vector<uint8_t> result;
    } cases[] = {
        {"entry without chip bits", scan_result({scan_entry(LOW, 0, 1), scan_entry(0, 1, 2)})},
        {"no terminator", scan_result({scan_entry(LOW, 0, 1)}, 0)},
        {"entries for a bank not expected", scan_result({scan_entry(HIGH, 4, 1)})},
        {"count beyond the result", page_of_words({25598}, 200 * 512)},
        {"no such bank position", scan_result({scan_entry(LOW, 32, 1)})},
        {"no such block", scan_result({scan_entry(LOW, 1, 8192)})},
    };
    const std::regex expected(
        "ERROR: scan result has error\nerror at src/host_mass_production/initial_scan\\.cpp ([0-9]+)\n");
    std::set<std::string> report_lines;
    for (const auto& c : cases) {
        drive.scan_result = c.result;
        std::remove(records.c_str());
        std::string printed;
        EXPECT_EXIT_CAPTURED(scan_initial_bad_blocks(result, blank), 1, printed);
        std::smatch match;
        EXPECT_TRUE(std::regex_match(printed, match, expected)) << c.what << ": " << printed;
        report_lines.insert(match.size() > 1 ? match[1].str() : "");
        EXPECT_EQ(
            fail_records(),
            (std::vector<std::string>{
                write_record(2, 4, "Scan for initial bad blocks\\nScan result has error"), FINALIZE_RECORD}))
            << c.what;
    }
    EXPECT_EQ(report_lines.size(), std::size(cases));
}

std::vector<uint32_t> bad_blocks(uint32_t chips, uint32_t bank, uint32_t count) {
    std::vector<uint32_t> entries;
    for (uint32_t block = 1; block <= count; ++block) {
        entries.push_back(scan_entry(chips, bank, block));
    }
    return entries;
}

TEST_F(InitialScanDeathTest, EveryBankWithTooManyBadBlocksIsNamedBeforeTheRunEnds) {
    select({0, 1, 8, 9});
    std::vector<uint32_t> entries = bad_blocks(LOW, 0, 319);
    for (const auto& more :
         {bad_blocks(HIGH | LOW, 1, 160), bad_blocks(HIGH, 8, 400), bad_blocks(LOW, 9, 3)}) {
        entries.insert(entries.end(), more.begin(), more.end());
    }
    drive.scan_result = scan_result(entries);
    std::string printed;
    EXPECT_EXIT_CAPTURED(scan_initial_bad_blocks(result, blank), 1, printed);
    const std::string lines =
        bank_lines(319, "3.89", 0, "0.00", "0=A0") + bank_lines(160, "1.95", 160, "1.95", "1=B0") +
        "ERROR: too many bad blocks in bank 1=B0\t\n" + bank_lines(0, "0.00", 400, "4.88", "8=A2") +
        "ERROR: too many bad blocks in bank 8=A2\t\n" + bank_lines(3, "0.04", 0, "0.00", "9=B2");
    EXPECT_EQ(printed.substr(0, lines.size()), lines);
    EXPECT_TRUE(std::regex_match(printed.substr(lines.size()),
                                 std::regex("error at src/host_mass_production/initial_scan\\.cpp [0-9]+\n")))
        << printed;
    EXPECT_EQ(fail_records(),
              (std::vector<std::string>{
                  write_record(2, 4,
                               "Scan for initial bad blocks\\nToo many bad blocks in Bank 1=B0\\t\\n"
                               "Too many bad blocks in Bank 8=A2\\t\\n"),
                  FINALIZE_RECORD}));
}

TEST_F(InitialScanDeathTest, ABankWithMoreBadBlocksThanItsListHoldsFailsWithItsFullCount) {
    select({2});
    drive.scan_result = scan_result(bad_blocks(HIGH | LOW, 2, 5000));
    std::string printed;
    EXPECT_EXIT_CAPTURED(scan_initial_bad_blocks(result, blank), 1, printed);
    EXPECT_EQ(printed.substr(0, printed.find("error at")), bank_lines(5000, "61.04", 5000, "61.04", "2=C0") +
                                                               "ERROR: too many bad blocks in bank 2=C0\t\n");
}

}  // namespace

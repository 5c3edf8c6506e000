// The flash test on the reference build against drives that fail it: a bank
// that does not answer its blank check, scan results the station must
// refuse, a block zero that does not erase, tables and empty pages that do
// not read back, a drive-side test program that answers nonsense. Each ends
// the run with its console lines, its trail as the fail record and its dump
// files, without a protocol violation.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "complete_run_checks.h"

namespace {

using namespace e2e_run;

constexpr uint32_t BUILD = 1;
const std::string FLASH_TEST_AT = "error at src/host_mass_production/flash_test.cpp N\n";
const std::string DRIVE_SIDE_AT = "error at src/host_mass_production/drive_side_test.cpp N\n";
const std::string CORRUPTION = "\nERROR: data corruption. see good.bin and bad.bin\n";
const std::string CORRUPTION_TRAIL = "Data corruption. see good.bin and bad.bin\n";
constexpr uint32_t TABLES_BYTES = 32 * 8192;

std::string fault(const std::string& members) {
    return ", \"faults\": [{" + members + "}]";
}

std::string blank_lines(uint32_t from_bank) {
    std::string lines;
    for (const uint32_t bank : {0u, 1u, 2u, 3u, 8u, 9u, 10u, 11u}) {
        if (bank >= from_bank) {
            char line[48];
            std::snprintf(line, sizeof line, "bank %02u(%c%u)..blank\n", bank, 'A' + bank % 4, bank / 4);
            lines += line;
        }
    }
    return lines;
}

std::string scan_line(uint32_t bank, uint32_t low, uint32_t high) {
    char text[160];
    std::snprintf(text, sizeof text,
                  "%u bad blocks = %.2f%% in  low bank %u=%c%u\t\n%u bad blocks = %.2f%% in high ", low,
                  low / 81.92, bank, 'A' + bank % 4, bank / 4, high, high / 81.92);
    return text + bank_line(bank);
}

std::string scan_lines(uint32_t from_bank, uint32_t to_bank) {
    std::string lines;
    for (const uint32_t bank : {0u, 1u, 2u, 3u, 8u, 9u, 10u, 11u}) {
        if (bank >= from_bank && bank <= to_bank) {
            lines += scan_line(bank, 0, 0);
        }
    }
    return lines;
}

struct FlashTestFailure {
    const char* name;
    std::string members;
    std::vector<std::string> args;
    std::string console_tail;  // stdout ends with it
    std::string trail;         // the fail record of stage 2
    DumpPair dumps = {};
    std::string err = "";  // a line stderr must show
};

TEST(FlashTestFailures, EachFailureEndsTheRunWithItsLinesRecordAndDumps) {
    const std::string trail_of_blank_check =
        "Blank check\nBank 00(A0)Bank 01(B0)Bank 02(C0)\nNo response from flash\n"
        "Bank 03(D0)Bank 08(A2)Bank 09(B2)Bank 10(C2)Bank 11(D2)NAND Flash response timeout\n";
    const std::string scan_trail = "Scan for initial bad blocks\n";
    const std::string scan_error =
        "ERROR: scan result has error\nerror at src/host_actions/initial_scan.cpp N\n";
    const std::vector<FlashTestFailure> failures = {
        {"blank_check_unanswered",
         fault("\"kind\": \"blank_check_hang\", \"bank\": 2"),
         {"1"},
         "bank 00(A0)..blank\nbank 01(B0)..blank\nbank 02(C0)..no response from flash\n" + blank_lines(3) +
             "ERROR: NAND Flash response timeout\n" + FLASH_TEST_AT,
         trail_of_blank_check},
        {"too_many_initial_bad_blocks",
         fault("\"kind\": \"scan_extra_bad\", \"bank\": 9, \"value\": 320"),
         {"1"},
         scan_lines(0, 8) + scan_line(9, 320, 0) + "ERROR: too many bad blocks in " + bank_line(9) +
             scan_lines(10, 11) + "error at src/host_actions/initial_scan.cpp N\n",
         scan_trail + "Too many bad blocks in Bank 9=B2\t\n"},
        {"scan_entry_without_chip_bits",
         fault("\"kind\": \"scan_no_chip_bits\", \"bank\": 3, \"block\": 12"),
         {"1"},
         "scanning initial bad blocks\n" + scan_error,
         scan_trail + "Scan result has error"},
        {"scan_without_terminator",
         fault("\"kind\": \"scan_no_terminator\""),
         {"1"},
         "scanning initial bad blocks\n" + scan_error,
         scan_trail + "Scan result has error"},
        {"block_zero_does_not_erase",
         fault("\"kind\": \"erase_fail\", \"bank\": 1, \"chip\": \"low\", \"block\": 0"),
         {"1"},
         scan_lines(0, 11) + "ERROR: erase failure, pblk_offset = 0, real_pblk_offset = 0\n" + bank_line(1) +
             FLASH_TEST_AT,
         "Erase bad block list\nErase failure, pblk_offset = 0\n" + bank_line(1)},
        {"scan_lists_do_not_read_back",
         fault("\"kind\": \"read_differs\", \"bank\": 8, \"block\": 0, \"page\": 0, \"value\": 100"),
         {"1"},
         scan_lines(0, 11) + CORRUPTION + FLASH_TEST_AT,
         "Install bad block list\n" + CORRUPTION_TRAIL,
         {"bad.bin", TABLES_BYTES, 8 * 8192 + 100}},
        {"empty_pages_do_not_read_back",
         fault("\"kind\": \"read_differs\", \"bank\": 3, \"block\": 0, \"page\": 2, \"value\": 7"),
         {"1"},
         scan_lines(0, 11) + CORRUPTION + bank_line(3) + FLASH_TEST_AT,
         "Write to block zero\n" + CORRUPTION_TRAIL + bank_line(3),
         {"bad3.bin", 4096, 2048 + 7}},
        {"runtime_lists_do_not_read_back",
         fault("\"kind\": \"read_differs\", \"bank\": 10, \"block\": 0, \"page\": 3, \"value\": 20"),
         {"1"},
         scan_lines(0, 11) + CORRUPTION + FLASH_TEST_AT,
         "Install bad block list\n" + CORRUPTION_TRAIL,
         {"bad.bin", TABLES_BYTES, 10 * 8192 + 20}},
        {"test_program_status_without_magic",
         fault("\"kind\": \"program_no_magic\""),
         {"1", "L", "B1"},
         "NAND Flash test\nwait..\r\nERROR: NAND Flash test failed\n" + DRIVE_SIDE_AT,
         "NAND Flash test\nFlash test fail\n",
         {},
         "wrong response from device, 0\n"},
        {"test_program_in_an_unknown_state",
         fault("\"kind\": \"program_bad_state\", \"value\": 4, \"after\": 0"),
         {"1", "L", "B1"},
         "NAND Flash test\nwait..\r\nERROR: NAND Flash test failed\n" + DRIVE_SIDE_AT,
         "NAND Flash test\nFlash test fail\n",
         {},
         "wrong response from device\n"},
        {"test_program_that_stops_making_progress",
         fault("\"kind\": \"program_hangs\", \"value\": 9000"),
         {"1", "L", "B1"},
         "NAND Flash test\nwait..\r\nERROR: NAND Flash test failed\n" + DRIVE_SIDE_AT,
         "NAND Flash test\nFlash test fail\n",
         {},
         "\nno progress from device\n"},
    };
    for (const FlashTestFailure& f : failures) {
        SCOPED_TRACE(f.name);
        const e2e::RunResult result = run_on_new_drive(BUILD, std::string("flash_test_failure_") + f.name,
                                                       scenario(BUILD, f.members), f.args);
        EXPECT_EQ(result.exit_code, 1);
        const std::string out = without_line_numbers(result.out);
        EXPECT_TRUE(out.ends_with(f.console_tail))
            << out.substr(out.size() - std::min<size_t>(out.size(), 600));
        EXPECT_NE(result.err.find(f.err), std::string::npos) << result.err;
        EXPECT_EQ(records_of(result), failed_run_records(2, f.trail));
        expect_dumps(result, f.dumps);
    }
}

}  // namespace

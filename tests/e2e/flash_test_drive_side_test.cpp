// The drive-side part of the flash test on the reference build: the timing
// test with its report and the cell test forced by an unreadable stored scan
// list. Its failures are rows of the failure matrix.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "complete_run_checks.h"
#include "drive_contents.h"
#include "little_endian.h"
#include "model/scenario.h"
#include "model/verdict.h"

namespace {

using namespace e2e_run;

constexpr uint32_t BUILD = 1;

// Timing results, per bank position: uncorrectable R, 1, 2, 3, then
// correctable R, 1, 2, 3.
struct TimingCounts {
    uint32_t uncorrectable[4];
    uint32_t correctable[4];
};

std::string timing_report(const TimingCounts (&counts)[32]) {
    const uint32_t channel_order[] = {0, 8, 1, 9, 2, 10, 3, 11};
    std::string report =
        "\nResult of Flash timing test at 175MHz core clock\n\n"
        "             uncorrectable                           correctable\n"
        "bank         R       1       2       3     sum       R       1       2       3     sum\n";
    char line[160];
    uint32_t totals[10] = {};
    for (const uint32_t bank : channel_order) {
        const TimingCounts& c = counts[bank];
        const uint32_t row[10] = {c.uncorrectable[0],
                                  c.uncorrectable[1],
                                  c.uncorrectable[2],
                                  c.uncorrectable[3],
                                  c.uncorrectable[1] + c.uncorrectable[2] + c.uncorrectable[3],
                                  c.correctable[0],
                                  c.correctable[1],
                                  c.correctable[2],
                                  c.correctable[3],
                                  c.correctable[1] + c.correctable[2] + c.correctable[3]};
        std::snprintf(line, sizeof line, "%02u(%c%u)%8u%8u%8u%8u%8u%8u%8u%8u%8u%8u\n", bank, 'A' + bank % 4,
                      bank / 4, row[0], row[1], row[2], row[3], row[4], row[5], row[6], row[7], row[8],
                      row[9]);
        report += line;
        for (int k = 0; k < 10; ++k) {
            totals[k] += row[k];
        }
    }
    std::snprintf(line, sizeof line, "sum   %8u%8u%8u%8u%8u%8u%8u%8u%8u%8u\n", totals[0], totals[1],
                  totals[2], totals[3], totals[4], totals[5], totals[6], totals[7], totals[8], totals[9]);
    report += line;
    report +=
        "\nsummary:\n\n    target                      reference\n"
        "    uncorrectable   correctable uncorrectable   correctable\n";
    const auto summary = [&](char label, auto in_group) {
        uint32_t sums[4] = {};
        for (const uint32_t bank : channel_order) {
            if (in_group(bank)) {
                const TimingCounts& c = counts[bank];
                sums[0] += c.uncorrectable[1] + c.uncorrectable[2] + c.uncorrectable[3];
                sums[1] += c.correctable[1] + c.correctable[2] + c.correctable[3];
                sums[2] += c.uncorrectable[0];
                sums[3] += c.correctable[0];
            }
        }
        std::snprintf(line, sizeof line, "%c   %13u%14u %13u%14u\n", label, sums[0], sums[1], sums[2],
                      sums[3]);
        report += line;
    };
    for (uint32_t channel = 0; channel < 4; ++channel) {
        summary(static_cast<char>('A' + channel), [channel](uint32_t bank) { return bank % 4 == channel; });
    }
    report += "\n";
    for (uint32_t ce = 0; ce < 8; ++ce) {
        summary(static_cast<char>('0' + ce), [ce](uint32_t bank) { return bank / 4 == ce; });
    }
    return report +
           "\ntarget parameters:\nclock cycle = 5.71ns\nsetup = 2.5 cycles = 14.29ns\nhold = 2 cycles = "
           "11.43ns\n"
           "setup + hold = 4.5 cycles = 25.71ns\n\nreference parameters:\nclock cycle = 5.71ns\n"
           "setup = 7.0 cycles = 40.00ns\nhold = 7 cycles = 40.00ns\nsetup + hold = 14.0 cycles = 80.00ns\n"
           "\npress any key to finish\n";
}

// A drive whose bank 1 carries a stored scan list that does not read, once.
std::string corrupted_scan_list_drive(const e2e::Station& station, const std::string& more_faults) {
    std::string error;
    std::unique_ptr<sim::Drive> drive = sim::drive_from_scenario(
        scenario(BUILD,
                 ", \"faults\": [{\"kind\": \"read_uncorrectable\", \"bank\": 1, \"block\": 0, \"page\": 0, "
                 "\"times\": 1}" +
                     more_faults + "]"),
        &error);
    if (!drive) {
        return error;
    }
    std::vector<uint8_t> list(sim::BANK_PAGE_BYTES, 0xFF);
    store_le16(list.data(), 1);
    store_le16(list.data() + 2, 77);
    if (!e2e::store_block_zero_page(*drive, 1, 0, list, false)) {
        return "bank 1 page 0 not stored";
    }
    return sim::save_drive(*drive, e2e::drive_file(station), &error) ? "" : error;
}

const std::string CORRUPTED =
    "ERROR: scan list corrupted (or unknown type of data found) on bank 1=B0\t\n"
    "NAND Flash cell test will be performed, because scan lists were corrupted.\n";

TEST(FlashTestDriveSide, TimingTestReportsPerBankAndEndsAfterAKey) {
    const e2e::RunResult result = run_on_new_drive(
        BUILD, "timing_test",
        scenario(BUILD,
                 R"(, "faults": [{"kind": "timing_errors", "bank": 9, "column": 5, "value": 7},
                    {"kind": "timing_errors", "bank": 0, "column": 0, "value": 4},
                    {"kind": "timing_errors", "bank": 3, "column": 3, "value": 2}])"),
        {"1", "T"});
    TimingCounts counts[32] = {};
    counts[9].uncorrectable[1] = 7;
    counts[0].correctable[0] = 4;
    counts[3].correctable[3] = 2;
    EXPECT_EQ(result.exit_code, 0);
    EXPECT_TRUE(result.out.ends_with("NAND Flash timing test\nwait..\r\n" + timing_report(counts)))
        << result.out;
    EXPECT_NE(result.err.find("read 0 of 8191 (read_cycle=3)\r"), std::string::npos) << result.err;
    EXPECT_NE(result.err.find("complete\t\t\t\r"), std::string::npos) << result.err;
    EXPECT_EQ(records_of(result), records_until_start_of(2));
    EXPECT_EQ(result.drive->program.runs, 1u);
}

TEST(FlashTestDriveSide, UnreadableStoredScanListForcesTheCellTest) {
    // Without operator mode no count is given: the cell test runs four
    // cycles, and its errors make the flash test print the runtime lists.
    const e2e::Station station = e2e::make_station(BUILD, "forced_cell_test");
    ASSERT_EQ(corrupted_scan_list_drive(station, R"(, {"kind": "program_errors", "value": 5})"), "");
    const e2e::RunResult result = e2e::run(station, {"1"});
    expect_no_violation(result);
    EXPECT_EQ(result.exit_code, 0) << result.out;
    EXPECT_NE(result.out.find(CORRUPTED + "erasing NAND Flash for rework...1\r"), std::string::npos)
        << result.out;
    EXPECT_NE(result.out.find("NAND Flash test\nwait..\r\n\nlist of runtime bad blocks :\n"),
              std::string::npos);
    EXPECT_EQ(result.out.find("list of initial bad blocks"), std::string::npos);
    EXPECT_NE(result.err.find("erase 0 of 8191"), std::string::npos);
    EXPECT_NE(result.err.find("complete, total errors = 5"), std::string::npos) << result.err;
    EXPECT_EQ(records_of(result), complete_run_records());
    EXPECT_EQ(result.drive->boot_verdict, sim::WOULD_BOOT);

    // With T the program still runs the cell test, but the run takes the
    // timing test's way out.
    ASSERT_EQ(corrupted_scan_list_drive(station, ""), "");
    const e2e::RunResult timing = e2e::run(station, {"1", "T"});
    expect_no_violation(timing);
    EXPECT_EQ(timing.exit_code, 0);
    EXPECT_NE(timing.out.find(CORRUPTED), std::string::npos);
    EXPECT_NE(timing.out.find("NAND Flash timing test\nwait..\r\n\nResult of Flash timing test"),
              std::string::npos);
    EXPECT_TRUE(timing.out.ends_with("\npress any key to finish\n"));
    EXPECT_NE(timing.err.find("erase 0 of 8191\t\t\t\r"), std::string::npos) << timing.err;
    EXPECT_NE(timing.err.find("read 0 of 8191 (read_cycle=0)\r"), std::string::npos);
    EXPECT_EQ(records_of(timing), records_until_start_of(2));
}

// A stored runtime list that reads uncorrectable takes the bank's grown bad
// blocks with it: the cell test finds them again.
TEST(FlashTestDriveSide, UnreadableStoredRuntimeListForcesTheCellTest) {
    const e2e::Station station = e2e::make_station(BUILD, "forced_cell_test_runtime_list");
    std::string error;
    ASSERT_TRUE(e2e::create_drive(station, scenario(BUILD), &error)) << error;
    ASSERT_EQ(e2e::run(station, {"1"}).exit_code, 0);
    std::unique_ptr<sim::Drive> drive = sim::load_drive(e2e::drive_file(station), &error);
    ASSERT_TRUE(drive) << error;
    drive->faults.push_back({.kind = sim::FaultKind::read_uncorrectable, .bank = 9, .block = 0, .page = 3});
    ASSERT_TRUE(sim::save_drive(*drive, e2e::drive_file(station), &error)) << error;

    const e2e::RunResult result = e2e::run(station, {"1"});
    expect_no_violation(result);
    EXPECT_EQ(result.exit_code, 0) << result.out;
    EXPECT_NE(result.out.find("scan list found on bank 9=B2\t\n"
                              "ERROR: runtime bad block list corrupted (or unknown type of data found) on "
                              "bank 9=B2\t\n"),
              std::string::npos)
        << result.out;
    EXPECT_NE(result.out.find("scan list found on bank 11=D2\t\n"
                              "NAND Flash cell test will be performed, because runtime bad block lists were "
                              "corrupted.\nerasing NAND Flash for rework...1\r"),
              std::string::npos);
    EXPECT_NE(result.out.find("NAND Flash test\nwait..\r\n"), std::string::npos);
    EXPECT_NE(result.err.find("complete, total errors = 0"), std::string::npos) << result.err;
    EXPECT_EQ(result.drive->program.runs, 1u);
    EXPECT_EQ(records_of(result), complete_run_records());
}

}  // namespace

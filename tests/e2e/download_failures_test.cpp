// The firmware download on the reference build against drives that fail it:
// every write that does not verify and every list that cannot be built ends
// the run with its console lines, its fail record after the stage's start
// and its dump files, and leaves the drive without a protocol violation.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "complete_run_checks.h"
#include "drive_contents.h"
#include "little_endian.h"
#include "model/block_zero_formats.h"
#include "model/scenario.h"

namespace {

using namespace e2e_run;

constexpr uint32_t BUILD = 1;
const std::string DOWNLOAD_AT = "error at src/host_mass_production/firmware_download.cpp N\n";
const std::string CORRUPTION = "\nERROR: data corruption. see good.bin and bad.bin\n";
const std::string CORRUPTION_TRAIL = "Data corruption. see good.bin and bad.bin\n";

std::string read_differs(uint32_t bank, uint32_t block, uint32_t page, uint32_t byte) {
    return ", \"faults\": [{\"kind\": \"read_differs\", \"bank\": " + std::to_string(bank) +
           ", \"block\": " + std::to_string(block) + ", \"page\": " + std::to_string(page) +
           ", \"value\": " + std::to_string(byte) + "}]";
}

struct DownloadFailure {
    const char* name;
    std::string members;
    std::string console_tail;  // stdout ends with it
    std::string trail;         // the fail record of stage 3
    DumpPair dump = {};
};

TEST(DownloadFailures, WritesThatDoNotVerifyAndListsThatCannotBeBuilt) {
    // A new reference drive without bad blocks: every bank's pair 1 holds its
    // system blocks (2 on both chips), then come the metadata pair 2, the HIL
    // context pair 3 and the zero-page pair 4.
    std::string too_many_bad_pairs = ", \"bad_blocks\": [";
    for (uint32_t pair = 1; pair <= 235; ++pair) {
        too_many_bad_pairs += (pair > 1 ? ", " : "") +
                              std::string("{\"bank\": 9, \"chip\": \"low\", \"block\": ") +
                              std::to_string(2 * pair) + "}";
    }
    too_many_bad_pairs += "]";
    const std::string block_zero = "Write to block zero\n" + CORRUPTION_TRAIL;
    const std::vector<DownloadFailure> failures = {
        {"stamp",
         read_differs(9, 0, 4, 10),
         CORRUPTION + bank_line(9) + DOWNLOAD_AT,
         block_zero + bank_line(9) + "Big ECC\n",
         {"bad9.bin", 2048, 10}},
        {"bootloader",
         read_differs(0, 0, 5, 300),
         CORRUPTION + bank_line(0) + DOWNLOAD_AT,
         block_zero + bank_line(0) + "2nd Bootloader - Big ECC",
         {"bad0.bin", 2048, 300}},
        {"calibration_pattern",
         read_differs(11, 0, 8, 4),
         CORRUPTION + bank_line(11) + DOWNLOAD_AT,
         block_zero + bank_line(11) + "calibration pattern - Normal ECC\n",
         {"bad11.bin", 3 * 8192, 2 * 8192 + 4}},
        {"firmware",
         read_differs(1, 0, 20, 3),
         CORRUPTION + bank_line(1) + DOWNLOAD_AT,
         block_zero + bank_line(1) + "Firmware - Big ECC\n",
         {"bad1.bin", 25 * 2560, 11 * 2560 + 3}},
        {"overlay",
         read_differs(10, 0, 39, 2047),
         CORRUPTION + bank_line(10) + DOWNLOAD_AT,
         block_zero + bank_line(10) + "Firmware Runtime Overlay - Big ECC\n",
         {"bad10.bin", 6 * 2560, 5 * 2560 + 2047}},
        {"zero_page",
         read_differs(3, 8, 77, 1000),
         "\nerror at src/host_install/install_zero_page.cpp N\n",
         "Installing zero page...Zero page install fail",
         {}},
        {"metadata",
         read_differs(0, 4, 0, 9),
         CORRUPTION + "error at src/host_install/install_metadata.cpp N\n",
         "installing metadata...Metadata install fail\ndata corruption. see good.bin and bad.bin\n",
         {"bad.bin", 0xBE1370, 9}},
        {"hil_context",
         read_differs(0, 7, 0, 5),
         CORRUPTION + "error at src/host_install/install_hil_context.cpp N\n",
         "installing HIL context...HIL install fail\n" + CORRUPTION_TRAIL,
         {"bad.bin", 16384, 8192 + 5}},
        {"master_info",
         read_differs(0, 2, 0, 50),
         CORRUPTION + "error at src/host_install/install_master_info.cpp N\n",
         "installing master info...Master install fail\n" + CORRUPTION_TRAIL,
         {"bad.bin", 116, 50}},
        {"too_many_bad_pairs",
         too_many_bad_pairs,
         "ERROR: too many bad blocks in " + bank_line(9) + DOWNLOAD_AT,
         "Build bad block list\nToo many bad blocks in " + std::string("Bank 9=B2\t\n") +
             "Bad block list build fail",
         {}},
    };
    for (const DownloadFailure& f : failures) {
        SCOPED_TRACE(f.name);
        const e2e::RunResult result = run_on_new_drive(BUILD, std::string("download_failure_") + f.name,
                                                       scenario(BUILD, f.members), {"1"});
        EXPECT_EQ(result.exit_code, 1);
        const std::string out = without_line_numbers(result.out);
        EXPECT_TRUE(out.ends_with(f.console_tail))
            << out.substr(out.size() - std::min<size_t>(out.size(), 400));
        EXPECT_EQ(out.find("firmware installation complete"), std::string::npos);
        EXPECT_EQ(records_of(result), failed_run_records(3, f.trail));
        expect_dumps(result, f.dump);
        EXPECT_EQ(result.drive->counters.device_resets, 0u);
    }
}

}  // namespace

namespace {

// A drive whose bank 2 was produced before and carries a table the bad-pair
// lists cannot take: the run goes through the flash test and stops at the
// download's first step.
struct StoredTable {
    const char* name;
    uint32_t page;
    uint32_t entry_at, entry;  // the one entry and where the page holds it
    int exit_code;
    std::string console;  // stdout shows it
    std::vector<Record> records;
};

TEST(DownloadFailures, StoredTablesTheBadPairListsCannotTake) {
    std::vector<Record> until_download = complete_run_records();
    until_download.resize(9);
    const std::vector<StoredTable> tables = {
        {"block_beyond_the_chip", 0, 2, 0x2000, 1,
         "ERROR: scan list has error\nerror at src/host_install/bad_pair_lists.cpp N\n",
         failed_run_records(3, "Build bad block list\nScan list has error")},
        {"runtime_type_without_a_name", 3, 16, 700 | 1u << 16 | 9u << 24, 0,
         "\ndebug assertion failure\nsrc/host_install/bad_pair_lists.cpp : ", until_download},
    };
    for (const StoredTable& t : tables) {
        SCOPED_TRACE(t.name);
        const e2e::Station station = e2e::make_station(BUILD, std::string("stored_table_") + t.name);
        std::string error;
        std::unique_ptr<sim::Drive> drive = sim::drive_from_scenario(scenario(BUILD), &error);
        ASSERT_TRUE(drive) << error;
        std::vector<uint8_t> page(sim::BANK_PAGE_BYTES, 0);
        if (t.page == 3) {
            store_le32(page.data(), sim::RUNTIME_LIST_MAGIC_0);
            store_le32(page.data() + 4, sim::RUNTIME_LIST_MAGIC_1);
            store_le32(page.data() + 12, 1);
            store_le32(page.data() + t.entry_at, t.entry);
        } else {
            store_le16(page.data(), 1);
            store_le16(page.data() + t.entry_at, static_cast<uint16_t>(t.entry));
        }
        ASSERT_TRUE(e2e::store_block_zero_page(*drive, 2, t.page, page, false));
        ASSERT_TRUE(sim::save_drive(*drive, e2e::drive_file(station), &error)) << error;

        const e2e::RunResult result = e2e::run(station, {"1"});
        expect_no_violation(result);
        EXPECT_EQ(result.exit_code, t.exit_code);
        EXPECT_NE(without_line_numbers(result.out).find(t.console), std::string::npos) << result.out;
        EXPECT_EQ(result.out.find("Installing zero page"), std::string::npos);
        EXPECT_EQ(records_of(result), t.records);
    }
}

}  // namespace

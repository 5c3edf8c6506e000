// Complete runs on the reference build that take the download's other
// roads: a mixed drive carrying stored tables, bad-block records and a stamp
// whose serial is a path; the identity options; the FTL fragmentation.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "complete_run_checks.h"
#include "drive_contents.h"
#include "little_endian.h"
#include "model/block_zero_formats.h"
#include "model/scenario.h"
#include "model/verdict.h"

namespace {

using namespace e2e_run;

constexpr uint32_t BUILD = 1;
const std::string INSTALLED = "\nfirmware installation complete\n";
const std::string JUMPER_BOX = "\nchange the jumper setting (factory mode -> normal mode)\n[press any key]\n";

uint32_t packed(uint32_t block, uint32_t mask, uint32_t type) {
    return block | mask << 16 | type << 24;
}

// Banks 0 to 3 were produced before, banks 8 to 11 are new: bank 0 holds a
// stamp whose serial is `stored_serial`, bank 1 user data, bank 2 its stored
// tables and bank 3 a kind-2 bad-block record for pair 1200 on the high chip.
bool make_mixed_drive(const e2e::Station& station, const std::string& stored_serial, std::string* error) {
    std::unique_ptr<sim::Drive> drive = sim::drive_from_scenario(
        scenario(BUILD, R"(, "bad_blocks": [{"bank": 9, "chip": "low", "block": 50}])"), error);
    if (!drive) {
        return false;
    }
    std::vector<uint8_t> stamp(2048, 0xFF);
    std::memset(stamp.data(), 0, 1500);
    store_le32(stamp.data(), sim::STAMP_MAGIC);
    std::memcpy(stamp.data() + 180, stored_serial.data(), stored_serial.size());

    std::vector<uint8_t> initial(sim::BANK_PAGE_BYTES, 0);
    const uint16_t initial_entries[] = {0x8010, 0x0010, 33};
    store_le16(initial.data(), 3);
    for (uint32_t i = 0; i < 3; ++i) {
        store_le16(initial.data() + 2 + 2 * i, initial_entries[i]);
    }
    std::vector<uint8_t> runtime(sim::BANK_PAGE_BYTES, 0);
    store_le32(runtime.data(), sim::RUNTIME_LIST_MAGIC_0);
    store_le32(runtime.data() + 4, sim::RUNTIME_LIST_MAGIC_1);
    store_le32(runtime.data() + 12, 1);
    store_le32(runtime.data() + 16, packed(500, 1, 2));
    std::vector<uint8_t> record(sim::BANK_PAGE_BYTES, 0);
    store_le32(record.data(), sim::BB_RECORD_MAGIC_0);
    store_le32(record.data() + 4, sim::BB_RECORD_MAGIC_1);
    store_le32(record.data() + 8, 2);
    store_le32(record.data() + 16, packed(1200, 2, 1));
    const std::vector<uint8_t> user_data(sim::BANK_PAGE_BYTES, 0x5A);

    const bool stored =
        e2e::store_block_zero_page(*drive, 0, 4, stamp, true) &&
        sim::program_bank_page(*drive, 1, 3000, 3000, 0, user_data.data(), sim::BANK_PAGE_BYTES, 0) == 0 &&
        e2e::store_block_zero_page(*drive, 2, 0, initial, false) &&
        e2e::store_block_zero_page(*drive, 2, 3, runtime, false) &&
        e2e::store_block_zero_page(*drive, 3, 10, record, false);
    if (!stored) {
        *error = "block-zero pages not stored";
        return false;
    }
    return sim::save_drive(*drive, e2e::drive_file(station), error);
}

TEST(DownloadPaths, MixedDriveKeepsItsTablesAndRecordsButNotASerialThatIsAPath) {
    for (const std::string stored_serial : {"C:\\STATION\\LINE7", "D:\\LOTS\\0042"}) {
        SCOPED_TRACE(stored_serial);
        const e2e::Station station = e2e::make_station(BUILD, "mixed_drive_" + stored_serial.substr(0, 1));
        std::string error;
        ASSERT_TRUE(make_mixed_drive(station, stored_serial, &error)) << error;
        const e2e::RunResult result = e2e::run(station, {"1"});
        expect_no_violation(result);
        EXPECT_EQ(result.exit_code, 0) << result.out;
        EXPECT_EQ(records_of(result), complete_run_records());
        EXPECT_NE(result.out.find("bank 03(D0)..NOT blank\nbank 08(A2)..blank\n"), std::string::npos);
        EXPECT_NE(result.out.find("1 bad blocks = 0.01% in  low bank 9=B2\t\n"), std::string::npos);
        EXPECT_NE(result.out.find("WARNING: The NAND Flash is not clean (being reworked) !!!\n"
                                  "scan list found on bank 2=C0\t\n"),
                  std::string::npos)
            << result.out;
        EXPECT_NE(result.out.find("scanning initial bad blocks\n"), std::string::npos);
        EXPECT_TRUE(result.out.ends_with(INSTALLED + JUMPER_BOX));

        const std::string serial = stamp_serial(*result.drive);
        EXPECT_NE(result.out.find("serial number = " + serial + "\n"), std::string::npos);
        EXPECT_EQ(serial.size(), 20u);
        EXPECT_NE(serial.substr(0, 2), stored_serial.substr(0, 2));

        InstalledTables expected;
        expected.initial.resize(sim::BANK_POSITIONS);
        expected.runtime.resize(sim::BANK_POSITIONS);
        expected.initial[2] = {0x8010, 0x0010, 33};
        expected.initial[9] = {50};
        expected.runtime[2] = {packed(500, 1, 2)};
        expected.runtime[3] = {packed(2400, 2, 1), packed(2401, 2, 1)};
        const InstalledTables stored = tables_on_drive(*result.drive);
        EXPECT_EQ(stored.initial, expected.initial);
        EXPECT_EQ(stored.runtime, expected.runtime);
        expect_installed(*result.drive, facts_of(BUILD), expected);
        EXPECT_FALSE(e2e::page_programmed(*result.drive, 1, 3000, 0, false))
            << "user data left by the rework";
    }
}

TEST(DownloadPaths, IdentityOptionsReachTheStamp) {
    const e2e::RunResult result =
        run_on_new_drive(BUILD, "identity_options", scenario(BUILD), {"1", "SABC123", "F12", "MABC"});
    EXPECT_EQ(result.exit_code, 0);
    EXPECT_EQ(result.drive->boot_verdict, sim::WOULD_BOOT);
    EXPECT_EQ(result.out.find("serial number ="), std::string::npos);
    const std::vector<uint8_t> stamp = e2e::block_zero_page(*result.drive, 0, 4);
    const std::string model = "MARDUVEN SKELDRIN-SATA";
    std::vector<uint8_t> identity(68, 0);
    std::memcpy(identity.data(), "ABC123", 6);
    std::memcpy(identity.data() + 20,
                "12\0"
                "6",
                4);
    std::memcpy(identity.data() + 28, "ABC", 3);
    std::memcpy(identity.data() + 32, model.data() + 4, model.size() - 4);
    EXPECT_EQ(std::vector<uint8_t>(stamp.begin() + 180, stamp.begin() + 248), identity);
}

// The serial given with S outranks the one a produced drive stores: the
// rework settles no serial of its own and the new stamp carries the given one.
TEST(DownloadPaths, ReworkWithAGivenSerialReplacesTheStoredOne) {
    const e2e::Station station = e2e::make_station(BUILD, "rework_given_serial");
    std::string error;
    ASSERT_TRUE(e2e::create_drive(station, scenario(BUILD), &error)) << error;
    const e2e::RunResult produced = e2e::run(station, {"1"});
    ASSERT_EQ(produced.exit_code, 0) << produced.out;
    const std::string stored = stamp_serial(*produced.drive);
    ASSERT_EQ(stored.size(), 20u);

    const e2e::RunResult reworked = e2e::run(station, {"1", "SLINE7-0042"});
    expect_no_violation(reworked);
    EXPECT_EQ(reworked.exit_code, 0) << reworked.out;
    EXPECT_EQ(records_of(reworked), complete_run_records());
    EXPECT_TRUE(reworked.out.starts_with("Serial number = LINE7-0042\n")) << reworked.out;
    EXPECT_EQ(reworked.out.find("serial number ="), std::string::npos) << reworked.out;
    EXPECT_NE(reworked.out.find("WARNING: The NAND Flash is not clean (being reworked) !!!\n"),
              std::string::npos);
    EXPECT_EQ(stamp_serial(*reworked.drive), "LINE7-0042");
    EXPECT_TRUE(reworked.out.ends_with(INSTALLED + JUMPER_BOX)) << reworked.out;
}

// The progress lines, each as shown, in order.
std::vector<std::string> fragmentation_progress(const std::string& out) {
    const std::string head = "fragmentation...";
    std::vector<std::string> lines;
    for (size_t at = out.find(head); at != std::string::npos; at = out.find(head, at + head.size())) {
        const size_t end = out.find_first_of("\r\n", at);
        if (end != std::string::npos && out[end] == '\r' && out[end - 1] == '%') {
            lines.push_back(out.substr(at, end + 1 - at));
        }
    }
    return lines;
}

TEST(DownloadPaths, FragmentationInOperatorModeFillsEveryUnitAfterTheOverlay) {
    const e2e::RunResult result =
        run_on_new_drive(BUILD, "fragmentation", scenario(BUILD), {"1", "L", "B0", "Gy"});
    EXPECT_EQ(result.exit_code, 0) << result.out;
    EXPECT_EQ(records_of(result), complete_run_records());
    EXPECT_EQ(result.drive->boot_verdict, sim::WOULD_BOOT);
    // A line each time a pair fills, eight in a row (one per bank): 3846 pairs
    // per bank, first at units 1008 to 1015 of 3,907,670, last at 3,907,535.
    const std::vector<std::string> progress = fragmentation_progress(result.out);
    ASSERT_EQ(progress.size(), 30768u);
    for (size_t i = 0; i < 8; ++i) {
        EXPECT_EQ(progress[i], "fragmentation...0.03%\r") << i;
    }
    EXPECT_EQ(progress[8], "fragmentation...0.05%\r");
    EXPECT_EQ(progress.back(), "fragmentation...100.00%\r");
    EXPECT_NE(result.out.find("fragmentation...100.00%\rfragmentation...done\t\t\n" + INSTALLED),
              std::string::npos);
    // Every filled pair ends in its summary page: 3846 per bank, and the
    // zero-page pair holds all its pages. The pair left open holds the last
    // units without a summary: 17 pages on banks 0 to 5, 16 on banks 6 and 7.
    const std::vector<uint32_t> banks = e2e::populated_banks(*result.drive);
    for (uint32_t i = 0; i < banks.size(); ++i) {
        const uint32_t open_pages = i < 6 ? 17 : 16;
        uint32_t summaries = 0;
        uint32_t open_pairs = 0;
        for (uint32_t pair = 1; pair < 4096; ++pair) {
            const bool summary = e2e::page_programmed(*result.drive, banks[i], 2 * pair, 127, false);
            summaries += summary ? 1 : 0;
            const sim::Block& low = result.drive->banks[banks[i]].chips[sim::LOW].blocks[2 * pair];
            open_pairs += !summary && low.next_page == open_pages ? 1 : 0;
        }
        EXPECT_EQ(summaries, 3846u + 1) << "bank " << banks[i];
        EXPECT_EQ(open_pairs, 1u) << "bank " << banks[i];
    }
}

}  // namespace

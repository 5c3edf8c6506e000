// The failure matrix: every way in which a production run can fail, made to
// happen on a simulated reference drive (or a station whose memory runs out)
// through the reference build's prodtool-sim, one row per failure. Every row
// is checked the same way: the whole standard output ("error at" and
// "caller =" line numbers masked), the end of the standard error, the
// station records in order, the exit code, the dump files (or none), and a
// drive that saw no protocol violation and was never reset by a failed run;
// a run that ends produced must leave a drive that would boot.
//
// Failures that no run can make happen, and why:
// - command channel, payload or buffer not 512-aligned (send and receive):
//   the channel is handed only the command sector, the tables and image
//   staging areas of the page-aligned work block (all at multiples of 512)
//   and 512-aligned run and transfer buffers; the stamp and the bootloader
//   are copied into such a buffer first.
// - command channel, payload given with count 0: every payload has a fixed
//   count of at least one sector (each build's images are longer than 0).
// - command channel, count too large: the largest payload, the metadata
//   image of the largest build, stays far below 65,073,152 sectors.
// - bad-block lists, refusals (not initialized, bank not expected): block
//   zero is read and erased only for expected banks, after the module test
//   has accepted the configuration.
// - initial scan, entries for a bank outside the configuration: the scan
//   covers the banks whose blank check passed, only ever expected banks, and
//   skips the entries of every other bank before that check.
// - firmware download, firmware context cannot be built: the build never
//   returns failure; every failure inside it is a debug assertion.
// - firmware context, debug assertions 798 (a bad pair 0 or beyond the
//   chip), 808 (first allocation not pair 0), 258 (empty candidate list)
//   and 511 (list type not 2): the bad-pair lists and the steps before each
//   check exclude them.
// - bad-pair lists, the debug assertion of a runtime entry whose type is
//   outside 1 to 8: every runtime entry came through the bad-block lists,
//   which refuse such a type as they read it from the drive (rows of
//   BadBlockLists), and the tool itself records only type 4.
// - debug assertions of the block-zero writer, the HIL context and master
//   info installers and the fragmentation (a run that is not whole sectors,
//   a location or page beyond the build): their callers pass only the
//   build's own fixed runs and the locations the context build sets.
// - random generator, random_range with max < min: no caller passes such
//   bounds; its self-test cannot fire (the state would have to repeat).
//
// The rows whose dump files cannot be written run the tool in a read-only
// directory, a read-only bind mount in a mount namespace of the run's own
// (root with CAP_SYS_ADMIN, as CI is); where none can be made they are
// skipped, saying so.
//
// Failures whose run goes on are rows here too: exit code 0, the complete
// run's records. Proven elsewhere because they need more than a drive
// fault or a station's memory: the station's own disk refused
// (station_disk_test.cpp, loop devices mounted, partitioned, stacked or
// held), a disk that is not a drive in factory mode (drive_size_test.cpp,
// files and a loop device through the real prodtool: the simulated drive
// always presents the factory-mode disk), a run interrupted by a
// signal (interruption_test.cpp), a stored scan list or runtime list that
// does not read, which forces the cell test (flash_test_drive_side_test.cpp,
// two runs on one drive), and the rework journal of a drive without initial
// bad blocks refused (rework_journal_test.cpp, an interrupted rework first).
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <regex>
#include <string>
#include <vector>

#include "complete_run_checks.h"
#include "drive_contents.h"
#include "e2e_harness.h"
#include "failure_matrix_texts.h"
#include "link/drive_file_claim.h"
#include "little_endian.h"
#include "model/block_zero_formats.h"
#include "model/scenario.h"
#include "model/verdict.h"
#include "process.h"

namespace {

using namespace e2e_run;
using namespace e2e_matrix;

constexpr uint32_t BUILD = 1;
// Runs that reach the flash test name their serial, so that no serial is
// made up and the whole console output is known.
const std::string SERIAL = "SMATRIX";
const std::string SERIAL_LINE = "Serial number = MATRIX\n";
const std::string PASSED = SERIAL_LINE + first_stages_passed();
const std::string NEW_DRIVE = PASSED + new_drive_flash_test();
// The serial a run made up, as the stamp it wrote holds it.
const std::string MADE_UP_SERIAL = "{serial}";
// The station's directory of rework journals.
const std::string JOURNALS = "{journals}";
constexpr uint32_t TABLES_BYTES = 32 * 8192;
constexpr uint32_t STORED_BANK = 2;

// drive_in_use: the test process holds the drive file as another run would.
// journal_blocked: a file stands where the rework journals' directory goes.
enum class Station { drive, no_drive, damaged_program, drive_in_use, journal_blocked };

// A page that an earlier production left in block zero of bank 2, in the
// normal-ECC configuration: page 3 holds a runtime list (packed entries), any
// other page an initial list's count and entries. No entries: none.
struct StoredPage {
    uint32_t page = 0;
    std::vector<uint32_t> entries = {};
};

struct Row {
    const char* failure = "";  // in the words of the failure list it belongs to
    const char* id = "";       // names its scratch directory
    std::string members = "";  // of the reference scenario: the fault that makes it happen
    std::vector<std::string> args = {"1", SERIAL};
    Station station = Station::drive;
    StoredPage stored = {};
    unsigned failing_allocation = 0;  // the station's memory request that fails
    std::string entropy = "";         // the station's entropy source ("none": it fails)
    // "{commands}" and "{commands-1}" in `members` stand for the commands a
    // run with these arguments sends to the plain reference drive.
    std::vector<std::string> counted_run = {};
    std::string input = "";
    // Dump files an earlier run left where this one runs.
    std::map<std::string, std::vector<uint8_t>> earlier_dumps = {};
    bool read_only_directory = false;  // the run's directory cannot be written, by root neither
    uint32_t journals = 0;             // copies of the stored drive's rework journal at the station

    int exit_code = 1;
    std::string out = "";            // the whole stdout but the "error at" line
    const char* error_at = nullptr;  // the source the "error at" line names, below src/
    std::string err = "";            // stderr ends with it; empty: stderr is empty
    std::vector<Record> records = {};
    DumpPair dumps = {};           // in a read-only directory: the earlier dumps, unchanged
    bool drive_untouched = false;  // never powered on, no command
};

std::string with_counted_commands(const Row& row) {
    if (row.counted_run.empty()) {
        return row.members;
    }
    static std::map<std::vector<std::string>, uint64_t> counted;
    auto at = counted.find(row.counted_run);
    if (at == counted.end()) {
        const e2e::RunResult clean = run_on_new_drive(BUILD, std::string("failure_matrix_count_") + row.id,
                                                      scenario(BUILD), row.counted_run);
        at = counted.emplace(row.counted_run, clean.drive ? clean.drive->counters.commands : 0).first;
    }
    std::string members =
        std::regex_replace(row.members, std::regex("\\{commands-1\\}"), std::to_string(at->second - 1));
    return std::regex_replace(members, std::regex("\\{commands\\}"), std::to_string(at->second));
}

std::vector<uint8_t> stored_page(const StoredPage& table) {
    std::vector<uint8_t> page(sim::BANK_PAGE_BYTES, 0);
    const auto count = static_cast<uint32_t>(table.entries.size());
    if (table.page == 3) {
        store_le32(page.data(), sim::RUNTIME_LIST_MAGIC_0);
        store_le32(page.data() + 4, sim::RUNTIME_LIST_MAGIC_1);
        store_le32(page.data() + 12, count);
        for (uint32_t i = 0; i < count; ++i) {
            store_le32(page.data() + 16 + 4 * i, table.entries[i]);
        }
    } else {
        store_le16(page.data(), static_cast<uint16_t>(count));
        for (uint32_t i = 0; i < count; ++i) {
            store_le16(page.data() + 2 + 2 * i, static_cast<uint16_t>(table.entries[i]));
        }
    }
    return page;
}

// The journal of the drive a row stores: bank 2's initial list and a
// runtime entry (block 600, low chip, EB), every other bank empty.
std::string stored_drive_journal(const StoredPage& stored) {
    std::string text = "prodtool rework journal 1\nserial " + std::string(40, '0') + "\ncell-test 0\n";
    for (const uint32_t bank : {0, 1, 2, 3, 8, 9, 10, 11}) {
        const bool stored_bank = bank == STORED_BANK;
        text += "bank " + std::to_string(bank) + " initial " +
                std::to_string(stored_bank ? stored.entries.size() : 0);
        for (size_t i = 0; stored_bank && i < stored.entries.size(); ++i) {
            char entry[8];
            std::snprintf(entry, sizeof entry, " %04x", stored.entries[i]);
            text += entry;
        }
        text += "\nbank " + std::to_string(bank) + (stored_bank ? " runtime 1 04010258\n" : " runtime 0\n");
    }
    return text + "end\n";
}

void place_journals(const e2e::Station& station, const Row& row) {
    if (row.journals != 0) {
        std::filesystem::create_directory(station.dir + "/rework-journal");
    }
    for (uint32_t i = 0; i < row.journals; ++i) {
        std::ofstream(station.dir + "/rework-journal/drive-" + std::to_string(i) + ".journal")
            << stored_drive_journal(row.stored);
    }
}

e2e::Station prepare_station(const Row& row) {
    const e2e::Station station = e2e::make_station(BUILD, std::string("failure_matrix_") + row.id);
    if (row.station == Station::no_drive) {
        return station;
    }
    std::string error;
    const std::unique_ptr<sim::Drive> drive =
        sim::drive_from_scenario(scenario(BUILD, with_counted_commands(row)), &error);
    EXPECT_TRUE(drive) << error;
    if (!drive) {
        return station;
    }
    if (!row.stored.entries.empty()) {
        EXPECT_TRUE(
            e2e::store_block_zero_page(*drive, STORED_BANK, row.stored.page, stored_page(row.stored), false));
    }
    EXPECT_TRUE(sim::save_drive(*drive, e2e::drive_file(station), &error)) << error;
    if (row.station == Station::damaged_program) {
        EXPECT_TRUE(e2e::damage_embedded_firmware(station));
    }
    if (row.station == Station::drive_in_use) {
        EXPECT_TRUE(sim_link::claim_drive_file(e2e::drive_file(station)));
    }
    if (row.station == Station::journal_blocked) {
        std::ofstream(station.dir + "/rework-journal") << "not a directory\n";
    }
    place_journals(station, row);
    return station;
}

// Long outputs (a rework prints 8190 progress lines) are shown around their
// first difference.
void expect_same_text(const std::string& actual, const std::string& expected) {
    if (actual == expected) {
        return;
    }
    const size_t at = static_cast<size_t>(
        std::mismatch(actual.begin(), actual.begin() + std::min(actual.size(), expected.size()),
                      expected.begin())
            .first -
        actual.begin());
    const size_t from = at < 300 ? 0 : at - 300;
    ADD_FAILURE() << "first difference at byte " << at << "\n--- actual:\n"
                  << actual.substr(from, 600) << "\n--- expected:\n"
                  << expected.substr(from, 600);
}

void expect_row(const Row& row) {
    SCOPED_TRACE(row.failure);
    const e2e::Station station = prepare_station(row);
    const e2e::RunResult result = e2e::run(station, row.args,
                                           {.input = row.input,
                                            .failing_allocation = row.failing_allocation,
                                            .earlier_files = row.earlier_dumps,
                                            .read_only_directory = row.read_only_directory,
                                            .entropy = row.entropy});

    EXPECT_EQ(result.exit_code, row.exit_code);
    std::string expected =
        row.out + (row.error_at != nullptr ? "error at src/" + std::string(row.error_at) + " N\n" : "");
    if (const size_t serial = expected.find(MADE_UP_SERIAL); serial != std::string::npos && result.drive) {
        expected.replace(serial, MADE_UP_SERIAL.size(), stamp_serial(*result.drive));
    }
    for (size_t at = expected.find(JOURNALS); at != std::string::npos; at = expected.find(JOURNALS, at)) {
        expected.replace(at, JOURNALS.size(), station.dir + "/rework-journal");
    }
    expect_same_text(without_line_numbers(result.out), expected);
    if (row.err.empty()) {
        EXPECT_EQ(result.err, "");
    } else {
        EXPECT_TRUE(result.err.ends_with(row.err))
            << result.err.substr(result.err.size() - std::min<size_t>(result.err.size(), 300));
    }
    EXPECT_EQ(records_of(result), row.records);
    if (row.read_only_directory) {
        EXPECT_EQ(result.dumps, row.earlier_dumps);
    } else {
        expect_dumps(result, row.dumps);
    }
    if (row.station == Station::no_drive) {
        return;
    }
    expect_no_violation(result);
    const std::vector<Record> records = records_of(result);
    const bool finished =
        std::find(records.begin(), records.end(), write(3, 1, "Firmware download finish")) != records.end();
    EXPECT_EQ(result.drive->counters.device_resets, finished ? 1u : 0u);
    if (finished) {
        EXPECT_EQ(result.drive->boot_verdict, sim::WOULD_BOOT);
    }
    if (row.drive_untouched) {
        EXPECT_EQ(result.drive->counters.power_ons, 0u);
        EXPECT_EQ(result.drive->counters.commands, 0u);
    }
}

void expect_rows(const std::vector<Row>& rows) {
    for (const Row& row : rows) {
        expect_row(row);
    }
}

std::string fault(const std::string& members) {
    return ", \"faults\": [{" + members + "}]";
}

std::string read_differs(uint32_t bank, uint32_t block, uint32_t page, uint32_t byte) {
    return fault("\"kind\": \"read_differs\", \"bank\": " + std::to_string(bank) +
                 ", \"block\": " + std::to_string(block) + ", \"page\": " + std::to_string(page) +
                 ", \"value\": " + std::to_string(byte));
}

// The low chip of `bank` fails the program of the page: the page reads back
// uncorrectable.
std::string program_fail(uint32_t bank, uint32_t block, uint32_t page) {
    return fault("\"kind\": \"program_fail\", \"bank\": " + std::to_string(bank) +
                 ", \"chip\": \"low\", \"block\": " + std::to_string(block) +
                 ", \"page\": " + std::to_string(page));
}

std::string banks(const char* bitmap) {
    return std::string(", \"banks\": \"") + bitmap + "\"";
}

// A reworked drive's run ends by asking for the jumper back in normal mode.
const std::string JUMPER_MESSAGE =
    "\nchange the jumper setting (factory mode -> normal mode)\n[press any key]\n";

const std::string MEMORY_FAILURE = "ERROR: memory allocation failure\n";
const std::string MEMORY_FAIL_RECORD = "Application Memory allocation error\n";

// The flash test of a drive whose bank 2 was produced before: the bank is
// reworked, the others are scanned.
std::string reworked_bank_2(bool scan_list_stored) {
    return blank_check(STORED_BANK, "NOT blank\n") + rework(STORED_BANK, scan_list_stored) +
           scan_report(STORED_BANK);
}

std::vector<uint32_t> low_chip_blocks(uint32_t first, uint32_t count) {
    std::vector<uint32_t> blocks;
    for (uint32_t block = first; block < first + count; ++block) {
        blocks.push_back(block);
    }
    return blocks;
}

TEST(FailureMatrix, CommandLine) {
    const char* at = "host_mass_production/command_line.cpp";
    expect_rows({
        {.failure = "fewer than 1 argument after the program name",
         .id = "no_argument",
         .args = {},
         .exit_code = 0,
         .drive_untouched = true},
        {.failure = "more than 7 arguments after the program name",
         .id = "eight_arguments",
         .args = {"1", "L", "T", "F1", "S2", "M3", "B4", "Gy"},
         .exit_code = 0,
         .drive_untouched = true},
        {.failure = "first argument not a number",
         .id = "drive_number_not_a_number",
         .args = {"abc"},
         .out = "ERROR: invalid argument\n",
         .error_at = at,
         .drive_untouched = true},
        {.failure = "first argument a number that does not fit 32 bits",
         .id = "drive_number_of_33_bits",
         .args = {"4294967296"},
         .out = "ERROR: invalid argument\n",
         .error_at = at,
         .drive_untouched = true},
        {.failure = "first argument a number with a sign",
         .id = "drive_number_with_a_sign",
         .args = {"-1", "L"},
         .out = "ERROR: invalid argument\n",
         .error_at = at,
         .drive_untouched = true},
        {.failure = "B value below 0",
         .id = "bist_count_below_0",
         .args = {"1", "L", "B-5"},
         .out = "ERROR: invalid BIST count (0 to 100)\n",
         .error_at = at,
         .drive_untouched = true},
        {.failure = "B value above 100",
         .id = "bist_count_above_100",
         .args = {"1", "L", "B101"},
         .out = "ERROR: invalid BIST count (0 to 100)\n",
         .error_at = at,
         .drive_untouched = true},
        {.failure = "F value longer than 8",
         .id = "revision_of_9",
         .args = {"1", "F123456789"},
         .out = "ERROR: invalid firmware revision\n",
         .error_at = at,
         .drive_untouched = true},
        {.failure = "S value longer than 20",
         .id = "serial_of_21",
         .args = {"1", "S" + std::string(21, '7')},
         .out = "ERROR: invalid serial number\n",
         .error_at = at,
         .drive_untouched = true},
        {.failure = "M value longer than 40",
         .id = "model_of_41",
         .args = {"1", "SABC", "M" + std::string(41, 'm')},
         .out = "Serial number = ABC\nERROR: invalid model number\n",
         .error_at = at,
         .drive_untouched = true},
        {.failure = "the program file is damaged (its self-check)",
         .id = "damaged_program",
         .station = Station::damaged_program,
         .out = "ERROR: program file is damaged\n",
         .error_at = "host_mass_production/main.cpp",
         .drive_untouched = true},
        {.failure = "the work block cannot be allocated",
         .id = "work_block",
         .args = {"1"},
         .failing_allocation = 1,
         .out = MEMORY_FAILURE,
         .error_at = "host_mass_production/main.cpp",
         .drive_untouched = true},
    });
}

// The counts the operator answers are read after the tool's start record,
// before the drive is opened.
TEST(FailureMatrix, ProductionRun) {
    const char* at = "host_mass_production/production_run.cpp";
    expect_rows({
        {.failure = "the operator's BIST count below 0",
         .id = "answered_bist_count_below_0",
         .args = {"1", SERIAL, "L"},
         .input = "-5\n",
         .out = SERIAL_LINE + "Flash BIST count = ERROR: invalid BIST count (0 to 100)\n",
         .error_at = at,
         .records = failed_run_records(10, "Invalid BIST count (0 to 100)"),
         .drive_untouched = true},
        {.failure = "the operator's BIST count above 100",
         .id = "answered_bist_count_above_100",
         .args = {"1", SERIAL, "L"},
         .input = "4294967291\n",
         .out = SERIAL_LINE + "Flash BIST count = ERROR: invalid BIST count (0 to 100)\n",
         .error_at = at,
         .records = failed_run_records(10, "Invalid BIST count (0 to 100)"),
         .drive_untouched = true},
        {.failure = "the operator's timing test size below 0",
         .id = "answered_timing_size_below_0",
         .args = {"1", SERIAL, "L", "T"},
         .input = "-1\n",
         .out = SERIAL_LINE + "Flash timing test size = ERROR: invalid timing test size (0 to 100)\n",
         .error_at = at,
         .records = failed_run_records(10, "Invalid timing test size (0 to 100)"),
         .drive_untouched = true},
        {.failure = "the operator's timing test size above 100",
         .id = "answered_timing_size_above_100",
         .args = {"1", SERIAL, "L", "T"},
         .input = "101\n",
         .out = SERIAL_LINE + "Flash timing test size = ERROR: invalid timing test size (0 to 100)\n",
         .error_at = at,
         .records = failed_run_records(10, "Invalid timing test size (0 to 100)"),
         .drive_untouched = true},
    });
}

TEST(FailureMatrix, CommandChannel) {
    const char* at = "host_main/command_channel.cpp";
    expect_rows({
        {.failure = "send: a payload write fails",
         .id = "payload_write_fails",
         .members = fault("\"kind\": \"link_write_fail\", \"sector\": 2048, \"after\": 20"),
         .out = NEW_DRIVE + no_response("host_install/install_bb_lists.cpp", false, 256),
         .error_at = at,
         .records =
             failed_run_records(2, "Install bad block list\nSent to device : No response from drive\n")},
        {.failure = "send: the command write fails",
         .id = "command_write_fails",
         .members = fault("\"kind\": \"link_write_fail\", \"sector\": 0, \"after\": 3"),
         .out = SERIAL_LINE + no_response("host_actions/probe_sdram_size.cpp", false),
         .error_at = at,
         .records = failed_run_records(0, "Sent to device : No response from drive\n")},
        {.failure = "recv: a read fails",
         .id = "read_fails",
         .members = fault("\"kind\": \"link_read_fail\", \"sector\": 0, \"after\": 1"),
         .out = SERIAL_LINE + no_response("host_actions/probe_sdram_size.cpp", true),
         .error_at = at,
         .records = failed_run_records(0, "Recv from device : No response from drive\n")},
    });
}

TEST(FailureMatrix, SataSdramTest) {
    const char* at = "host_mass_production/sata_sdram_test.cpp";
    const std::string wrong_size = "ERROR: SDRAM size is different from set value (64 MB)\n";
    const std::vector<Record> wrong_size_records =
        failed_run_records(0, "SDRAM size is different from set value (64 MB).\nTarget drive number = 1\n");
    // Sector 4993 begins the 40th transfer of a pass.
    expect_rows({
        {.failure = "drive cannot be opened",
         .id = "no_drive",
         .station = Station::no_drive,
         .out = SERIAL_LINE + "ERROR: cannot open target drive \\\\.\\PHYSICALDRIVE1\n",
         .error_at = at,
         .records = failed_run_records(0, "Cannot open target drive.\nTarget drive number = 1\n")},
        {.failure = "drive held by another production run",
         .id = "drive_in_use",
         .station = Station::drive_in_use,
         .out =
             SERIAL_LINE + "ERROR: target drive \\\\.\\PHYSICALDRIVE1 is in use by another production run\n",
         .error_at = at,
         .records = failed_run_records(
             0, "Target drive is in use by another production run.\nTarget drive number = 1\n"),
         .drive_untouched = true},
        {.failure = "SDRAM size code not 2: a 32 MB drive",
         .id = "sdram_32_mb",
         .members = ", \"sdram_mb\": 32",
         .out = SERIAL_LINE + "Size of SDRAM is 32 MB\n" + wrong_size,
         .error_at = at,
         .records = wrong_size_records},
        {.failure = "SDRAM size code not 2: a 16 MB drive",
         .id = "sdram_16_mb",
         .members = ", \"sdram_mb\": 16",
         .out = SERIAL_LINE + "Size of SDRAM is 16 MB\n" + wrong_size,
         .error_at = at,
         .records = wrong_size_records},
        // In normal mode the drive executes nothing: the probe reads back its
        // own command sector, and the drive looks like a 32 MB part.
        {.failure = "SDRAM size code not 2: the jumper in normal mode",
         .id = "jumper_in_normal_mode",
         .members = ", \"jumper\": \"normal\"",
         .out = SERIAL_LINE + "Size of SDRAM is 32 MB\n" + wrong_size,
         .error_at = at,
         .records = wrong_size_records},
        {.failure = "test buffer cannot be allocated",
         .id = "test_buffer",
         .failing_allocation = 3,
         .out = SERIAL_LINE + SDRAM_SIZE + MEMORY_FAILURE,
         .error_at = at,
         .records = failed_run_records(0, MEMORY_FAIL_RECORD)},
        {.failure = "a write fails",
         .id = "sata_write_fails",
         .members = fault("\"kind\": \"link_write_fail\", \"sector\": 4993"),
         .out = SERIAL_LINE + SDRAM_SIZE +
                "SATA/SDRAM test 20%\rERROR: SATA/SDRAM test failure (WRITE protocol error)\n",
         .error_at = at,
         .records = failed_run_records(0, "WRITE protocol error")},
        {.failure = "a read fails",
         .id = "sata_read_fails",
         .members = fault("\"kind\": \"link_read_fail\", \"sector\": 4993"),
         .out = SERIAL_LINE + SDRAM_SIZE +
                "SATA/SDRAM test 20%\rERROR: SATA/SDRAM test failure (READ protocol error)\n",
         .error_at = at,
         .records = failed_run_records(0, "READ protocol error")},
        {.failure = "a word differs from the pattern",
         .id = "sata_data_corrupted",
         .members = fault("\"kind\": \"link_read_differs\", \"sector\": 4993, \"value\": 700, \"times\": 1"),
         .out = SERIAL_LINE + SDRAM_SIZE +
                "SATA/SDRAM test 20%\rERROR: SATA/SDRAM test failure (data corruption)\n",
         .error_at = at,
         .records = failed_run_records(0, "Data corruption error")},
    });
}

TEST(FailureMatrix, ControllerActions) {
    expect_rows({
        {.failure = "the SDRAM probe's host buffer cannot be allocated",
         .id = "probe_sector",
         .failing_allocation = 2,
         .out = SERIAL_LINE + MEMORY_FAILURE,
         .error_at = "host_actions/probe_sdram_size.cpp",
         .records = failed_run_records(0, MEMORY_FAIL_RECORD)},
    });
}

TEST(FailureMatrix, ModuleTest) {
    const char* at = "host_mass_production/module_test.cpp";
    const std::string start = SERIAL_LINE + SATA_TEST_PASSED + "initialize flash\n";
    const std::string must_be = "ERROR: bank configuration error (must be 0F0F)\n";
    const std::string refused = "Bank configuration error (must be 0F0F)\nCurrent configuration = ";
    const std::string bank9 = "ank 09(B2) low: EC D7 D5 29 38\thigh: 98 D7 D5 29 38";
    const std::string wrong_ids_console = id_lines(0x010F, REFERENCE_IDS, false) + "b" + bank9 + " ERROR \n" +
                                          id_lines(0x0C00, REFERENCE_IDS, false);
    // The check's line comes before the bank's own.
    const std::string wrong_ids_trail = id_lines(0x010F, REFERENCE_IDS, true) +
                                        "ERROR : Flash chip ID Error\nHigh ID = 0098 Low ID = 00EC" + "B" +
                                        bank9 + "\n\n" + id_lines(0x0C00, REFERENCE_IDS, true);
    const std::string wrong_ids =
        ", \"ids\": [{\"bank\": 9, \"chip\": \"high\", \"id\": \"98 D7 D5 29 38\"}]";
    expect_rows({
        {.failure = "a bank position answers with wrong or inconsistent IDs, so the configuration differs",
         .id = "chips_of_one_bank_disagree",
         .members = wrong_ids,
         .args = {"1", SERIAL, "L", "B7"},
         .out = SERIAL_LINE + "Flash BIST count = 7\n" + SATA_TEST_PASSED + "initialize flash\n" +
                wrong_ids_console + "bank_bmp = 0D0F\n" + must_be,
         .error_at = at,
         .records = failed_run_records(1, wrong_ids_trail + refused + "0D0F")},
        {.failure = "a bank position answers with wrong IDs where no bank is expected: the run goes on",
         .id = "wrong_ids_beyond_the_configuration",
         .members =
             banks("0x0F1F") + ", \"ids\": [{\"bank\": 4, \"chip\": \"high\", \"id\": \"98 D7 D5 29 38\"}]",
         .exit_code = 0,
         .out = start + id_lines(0x000F, REFERENCE_IDS, false) +
                "bank 04(A1) low: EC D7 D5 29 38\thigh: 98 D7 D5 29 38 ERROR \n" +
                id_lines(0x0F00, REFERENCE_IDS, false) + new_drive_flash_test() +
                "\nfirmware installation complete\n",
         .records = complete_run_records()},
        {.failure = "configuration differs and is not a superset: a bank missing",
         .id = "a_bank_missing",
         .members = banks("0x0F0E"),
         .out = start + id_lines(0x0F0E, REFERENCE_IDS, false) + "bank_bmp = 0F0E\n" + must_be,
         .error_at = at,
         .records = failed_run_records(1, id_lines(0x0F0E, REFERENCE_IDS, true) + refused + "0F0E")},
        {.failure = "configuration differs and operator mode is off: more flash",
         .id = "more_flash_without_operator_mode",
         .members = banks("0x0F1F"),
         .input = "y",
         .out = start + id_lines(0x0F1F, REFERENCE_IDS, false) + "bank_bmp = 0F1F\n" + must_be,
         .error_at = at,
         .records = failed_run_records(1, id_lines(0x0F1F, REFERENCE_IDS, true) + refused + "0F1F")},
        {.failure = "configuration differs and is not a superset: no flash at all",
         .id = "no_flash_at_all",
         .members = banks("0"),
         .out = start + "bank_bmp = 0000\n" + must_be,
         .error_at = at,
         .records = failed_run_records(1, refused + "0000")},
        {.failure = "superset, operator answers n",
         .id = "more_flash_declined",
         .members = banks("0x0F1F"),
         .args = {"1", SERIAL, "L", "B7"},
         .input = "n",
         .out =
             SERIAL_LINE + "Flash BIST count = 7\n" + SATA_TEST_PASSED + "initialize flash\n" +
             id_lines(0x0F1F, REFERENCE_IDS, false) +
             "bank_bmp = 0F1F\nWARNING: Detected flash configuration is larger than intended. Proceed ?n\n",
         .error_at = at,
         .records = failed_run_records(1, id_lines(0x0F1F, REFERENCE_IDS, true) +
                                              "Detected flash configuration is larger than intended.\n"
                                              "Current configuration = 0F1F")},
        {.failure = "channel failure",
         .id = "module_test_channel",
         .members = fault("\"kind\": \"link_read_fail\", \"sector\": 0, \"after\": 10"),
         .out = start + no_response("host_mass_production/module_test.cpp", true),
         .error_at = "host_main/command_channel.cpp",
         .records = failed_run_records(1, "Recv from device : No response from drive\n")},
    });
}

TEST(FailureMatrix, StampReader) {
    expect_rows({
        // Without a serial the run reads the stamp, first through
        // bank 0's block-zero page 4.
        {.failure = "channel failures are fatal: the read of a stamp page",
         .id = "stamp_page_read",
         .members = fault("\"kind\": \"link_read_fail\", \"sector\": 2048, \"after\": 1"),
         .args = {"1"},
         .out = first_stages_passed() + no_response("host_actions/block_zero_page.cpp", true),
         .error_at = "host_main/command_channel.cpp",
         .records = failed_run_records(2, "Recv from device : No response from drive\n")},
        // Bank 2's page 4 holds data written with the normal-ECC
        // configuration, which the Big-ECC read cannot correct.
        {.failure = "a corrupt stamp page is reported and skipped: the run goes on",
         .id = "stamp_corrupted",
         .args = {"1"},
         .stored = {4, {0}},
         .exit_code = 0,
         .out = first_stages_passed() + bank_line(0) + bank_line(1) + "ERROR: stamp is corrupted in " +
                bank_line(2) + bank_line(3) + bank_line(8) + bank_line(9) + bank_line(10) + bank_line(11) +
                "serial number = " + MADE_UP_SERIAL + "\n" + reworked_bank_2(false) +
                "\nfirmware installation complete\n" + JUMPER_MESSAGE,
         .records = complete_run_records()},
    });
}

TEST(FailureMatrix, SerialNumber) {
    expect_rows({
        {.failure = "the station's entropy source fails while a serial is made up",
         .id = "no_entropy_for_a_serial",
         .args = {"1"},
         .entropy = "none",
         .out = first_stages_passed() + bank_line(0) + bank_line(1) + bank_line(2) + bank_line(3) +
                bank_line(8) + bank_line(9) + bank_line(10) + bank_line(11) +
                "ERROR: no random source for a serial number\n",
         .error_at = "host_mass_production/serial_number.cpp",
         .records = failed_run_records(2, "No random source for a serial number\n")},
    });
}

TEST(FailureMatrix, FlashTest) {
    const char* at = "host_mass_production/flash_test.cpp";
    expect_rows({
        {.failure = "a bank does not answer the blank check",
         .id = "blank_check_unanswered",
         .members = fault("\"kind\": \"blank_check_hang\", \"bank\": 2"),
         .out = PASSED + blank_check(2, "no response from flash\n") + "ERROR: NAND Flash response timeout\n",
         .error_at = at,
         .records =
             failed_run_records(2,
                                "Blank check\nBank 00(A0)Bank 01(B0)Bank 02(C0)\nNo response from flash\n"
                                "Bank 03(D0)Bank 08(A2)Bank 09(B2)Bank 10(C2)Bank 11(D2)"
                                "NAND Flash response timeout\n")},
        {.failure = "erase of block zero fails",
         .id = "block_zero_does_not_erase",
         .members = fault("\"kind\": \"erase_fail\", \"bank\": 1, \"chip\": \"low\", \"block\": 0"),
         .out = NEW_DRIVE + "ERROR: erase failure, pblk_offset = 0, real_pblk_offset = 0\n" + bank_line(1),
         .error_at = at,
         .records =
             failed_run_records(2, "Erase bad block list\nErase failure, pblk_offset = 0\n" + bank_line(1))},
        {.failure = "installation of the initial lists fails: they do not read back",
         .id = "scan_lists_do_not_read_back",
         .members = read_differs(8, 0, 0, 100),
         .out = NEW_DRIVE + CORRUPTION,
         .error_at = at,
         .records = failed_run_records(2, std::string("Install bad block list\n") + CORRUPTION_TRAIL),
         .dumps = {"bad.bin", TABLES_BYTES, 8 * 8192 + 100}},
        {.failure = "installation of the initial lists fails: a chip fails their program",
         .id = "scan_lists_program_fails",
         .members = program_fail(8, 0, 0),
         .out = NEW_DRIVE + CORRUPTION,
         .error_at = at,
         .records = failed_run_records(2, std::string("Install bad block list\n") + CORRUPTION_TRAIL),
         .dumps = {"bad.bin", TABLES_BYTES, 8 * 8192, 8192}},
        {.failure = "installation of the 0xFF pages fails: they do not read back",
         .id = "empty_pages_do_not_read_back",
         .members = read_differs(3, 0, 2, 7),
         .out = NEW_DRIVE + CORRUPTION + bank_line(3),
         .error_at = at,
         .records =
             failed_run_records(2, std::string("Write to block zero\n") + CORRUPTION_TRAIL + bank_line(3)),
         .dumps = {"bad3.bin", 4096, 2048 + 7}},
        {.failure = "installation of the runtime lists fails: they do not read back",
         .id = "runtime_lists_do_not_read_back",
         .members = read_differs(10, 0, 3, 20),
         .out = NEW_DRIVE + CORRUPTION,
         .error_at = at,
         .records = failed_run_records(2, std::string("Install bad block list\n") + CORRUPTION_TRAIL),
         .dumps = {"bad.bin", TABLES_BYTES, 10 * 8192 + 20}},
        {.failure = "the read-back buffer of the lists cannot be allocated",
         .id = "lists_read_back_buffer",
         .failing_allocation = 4,
         .out = NEW_DRIVE + MEMORY_FAILURE,
         .error_at = "host_install/install_bb_lists.cpp",
         .records = failed_run_records(2, "Erase bad block list\n" + MEMORY_FAIL_RECORD)},
        {.failure = "the read-back buffer of the 0xFF pages cannot be allocated",
         .id = "empty_pages_read_back_buffer",
         .failing_allocation = 5,
         .out = NEW_DRIVE + MEMORY_FAILURE,
         .error_at = "host_install/block_zero_writer.cpp",
         .records = failed_run_records(2, "Write to block zero\n" + MEMORY_FAIL_RECORD)},
    });
}

TEST(FailureMatrix, InitialScanAndReworkErase) {
    const char* at = "host_mass_production/initial_scan.cpp";
    const std::string scan_trail = "Scan for initial bad blocks\n";
    const std::string scan_error = "ERROR: scan result has error\n";
    const std::string scanning = PASSED + blank_check() + "scanning initial bad blocks\n";
    const std::string erase_failure = "\nERROR: erase failure " + bank_line(STORED_BANK) +
                                      "low pblk_offset 77 (real 77) --> added to runtime bad block list\n";
    expect_rows({
        {.failure = "too many bad blocks in a scanned bank",
         .id = "too_many_initial_bad_blocks",
         .members = fault("\"kind\": \"scan_extra_bad\", \"bank\": 9, \"value\": 320"),
         .out = scanning + scan_lines(0, 8) + scan_line(9, 320, 0) + "ERROR: too many bad blocks in " +
                bank_line(9) + scan_lines(10, 11),
         .error_at = at,
         .records = failed_run_records(2, scan_trail + "Too many bad blocks in Bank 9=B2\t\n")},
        {.failure = "malformed scan result: an entry without chip bits",
         .id = "scan_entry_without_chip_bits",
         .members = fault("\"kind\": \"scan_no_chip_bits\", \"bank\": 3, \"block\": 12"),
         .out = scanning + scan_error,
         .error_at = at,
         .records = failed_run_records(2, scan_trail + "Scan result has error")},
        {.failure = "malformed scan result: the terminator missing",
         .id = "scan_without_terminator",
         .members = fault("\"kind\": \"scan_no_terminator\""),
         .out = scanning + scan_error,
         .error_at = at,
         .records = failed_run_records(2, scan_trail + "Scan result has error")},
        {.failure = "channel failures are fatal: the scan result read",
         .id = "scan_result_read",
         .members = fault("\"kind\": \"link_read_fail\", \"sector\": 2048, \"after\": 140"),
         .out = scanning + no_response("host_mass_production/initial_scan.cpp", true),
         .error_at = "host_main/command_channel.cpp",
         .records = failed_run_records(2, scan_trail + "Recv from device : No response from drive\n")},
        // A drive whose bank 2 was produced before: its table is loaded,
        // the bank is erased for the rework, the others are scanned.
        {.failure = "rework erase: an erase failure is printed, recorded as EB and the erase goes on",
         .id = "rework_erase_failure",
         .members = fault("\"kind\": \"erase_fail\", \"bank\": 2, \"chip\": \"low\", \"block\": 77"),
         .stored = {0, {500}},
         .exit_code = 0,
         .out = PASSED + blank_check(STORED_BANK, "NOT blank\n") +
                rework(STORED_BANK, true, 77, erase_failure) + scan_report(STORED_BANK) +
                "\nfirmware installation complete\n" + JUMPER_MESSAGE,
         .records = complete_run_records()},
    });
}

// A bad-block type outside 1 to 8 from the drive is refused where the
// drive's tables are read: on a rework before any erase, after the drive-side
// NAND test before the download.
TEST(FailureMatrix, BadBlockLists) {
    const char* at = "host_actions/add_runtime_bad_block.cpp";
    expect_rows({
        {.failure = "a stored runtime entry of a type outside 1 to 8",
         .id = "stored_runtime_type_without_a_name",
         .stored = {3, {700 | 1u << 16 | 9u << 24}},
         .out = PASSED + blank_check(STORED_BANK, "NOT blank\n") +
                "WARNING: The NAND Flash is not clean (being reworked) !!!\n"
                "ERROR: bad block 700 of unknown type 9 in " +
                bank_line(STORED_BANK),
         .error_at = at,
         .records = failed_run_records(2,
                                       "Blank check\nThe NAND Flash is not clean (being reworked)\n\n"
                                       "Bad block 700 of unknown type 9 in Bank 2=C0\t\n")},
        {.failure = "the drive-side NAND test finds a bad block of a type outside 1 to 8",
         .id = "tested_runtime_type_without_a_name",
         .members = fault("\"kind\": \"program_finds_bad\", \"bank\": 1, \"chip\": \"high\", "
                          "\"block\": 4000, \"value\": 9"),
         .args = {"1", SERIAL, "L", "B1"},
         .out = SERIAL_LINE + "Flash BIST count = 1\n" + first_stages_passed() + new_drive_flash_test() +
                "NAND Flash test\nwait..\r\nERROR: bad block 4000 of unknown type 9 in " + bank_line(1),
         .error_at = at,
         .err = "complete, total errors = 1\t\t\t\r",
         .records = failed_run_records(2, "Bad block 4000 of unknown type 9 in Bank 1=B0\t\n")},
    });
}

// A drive whose bank 2 was produced before, and the station's journal of it.
TEST(FailureMatrix, ReworkJournal) {
    const char* at = "host_mass_production/rework_journal.cpp";
    const std::string reworked = PASSED + reworked_bank_2(true);
    const std::string journal_finish = "\nfirmware installation complete\n" + JUMPER_MESSAGE;
    expect_rows({
        {.failure = "the journal of the drive is taken back (a run that goes on)",
         .id = "journal_taken_back",
         .stored = {0, {500}},
         .journals = 1,
         .exit_code = 0,
         .out = reworked + "rework journal found: runtime bad blocks taken back\n" + journal_finish,
         .records = complete_run_records()},
        {.failure = "more than one journal matches the drive",
         .id = "journal_ambiguous",
         .stored = {0, {500}},
         .journals = 2,
         .out = reworked + "rework journal " + JOURNALS + "/drive-0.journal matches this drive\n" +
                "rework journal " + JOURNALS + "/drive-1.journal matches this drive\n" +
                "ERROR: cannot tell which rework journal belongs to this drive\n",
         .error_at = at,
         .records = failed_run_records(2, "Rework journal ambiguous\n")},
        {.failure = "the journal cannot be written",
         .id = "journal_not_written",
         .station = Station::journal_blocked,
         .stored = {0, {500}},
         .out = reworked + "WARNING: rework journals in " + JOURNALS + " cannot be read\n" +
                "ERROR: cannot write a rework journal in " + JOURNALS + "\n",
         .error_at = at,
         .records = failed_run_records(2, "Cannot write rework journal\n")},
    });
}

TEST(FailureMatrix, DriveSideFlashTest) {
    const char* at = "host_mass_production/drive_side_test.cpp";
    const std::vector<std::string> cell_test = {"1", SERIAL, "L", "B1"};
    const std::string started = SERIAL_LINE + "Flash BIST count = 1\n" + first_stages_passed() +
                                new_drive_flash_test() + "NAND Flash test\nwait..\r";
    const std::string failed = started + "\nERROR: NAND Flash test failed\n";
    const std::vector<Record> failed_records = failed_run_records(2, "NAND Flash test\nFlash test fail\n");
    // The sectors of the upload and of the timing results are sectors of the
    // SATA/SDRAM test too: those faults wait for the program's start, the
    // last command of a timing test.
    const std::vector<std::string> timing_test = {"1", SERIAL, "T"};
    expect_rows({
        {.failure = "an upload write fails",
         .id = "upload_fails",
         .members = fault("\"kind\": \"link_write_fail\", \"sector\": 600, \"after\": {commands}"),
         .args = cell_test,
         .counted_run = timing_test,
         .out = started + "ERROR: no response from drive\n",
         .error_at = at,
         .records = failed_run_records(2, "NAND Flash test\nNo response from drive")},
        {.failure = "status without magic",
         .id = "status_without_magic",
         .members = fault("\"kind\": \"program_no_magic\""),
         .args = cell_test,
         .out = failed,
         .error_at = at,
         .err = "wrong response from device, 0\n",
         .records = failed_records},
        {.failure = "status with a state outside the list",
         .id = "status_in_an_unknown_state",
         .members = fault("\"kind\": \"program_bad_state\", \"value\": 4, \"after\": 0"),
         .args = cell_test,
         .out = failed,
         .error_at = at,
         .err = "wrong response from device\n",
         .records = failed_records},
        {.failure = "the program stops making progress for 30 minutes",
         .id = "program_stops_making_progress",
         .members = fault("\"kind\": \"program_hangs\", \"value\": 9000"),
         .args = cell_test,
         .out = failed,
         .error_at = at,
         .err = "\nno progress from device\n",
         .records = failed_records},
        {.failure = "reading the timing results fails",
         .id = "timing_results_read",
         .members = fault("\"kind\": \"link_read_fail\", \"sector\": 2050, \"after\": {commands}"),
         .args = timing_test,
         .counted_run = timing_test,
         .out = PASSED + new_drive_flash_test() +
                "NAND Flash timing test\nwait..\r\nERROR: no response from drive\n",
         .error_at = at,
         .err = "complete\t\t\t\r",
         .records = records_until_start_of(2)},
        {.failure = "the drive cannot be reopened",
         .id = "reopen_fails",
         .members = fault("\"kind\": \"reopen_fail\""),
         .args = cell_test,
         .out = started + "\nERROR: cannot open target drive \\\\.\\PHYSICALDRIVE1\n",
         .error_at = at,
         .err = "complete, total errors = 0\t\t\t\r",
         .records = failed_run_records(2, "Cannot open target drive")},
        {.failure = "the status read fails",
         .id = "status_read",
         .members = fault("\"kind\": \"link_read_fail\", \"sector\": 2048, \"after\": {commands}"),
         .args = cell_test,
         .counted_run = timing_test,
         .out = started + no_response("host_mass_production/test_program_status.cpp", true),
         .error_at = "host_main/command_channel.cpp",
         .records = failed_run_records(2, "NAND Flash test\nRecv from device : No response from drive\n")},
        {.failure = "the program start fails",
         .id = "program_start",
         .members = fault("\"kind\": \"link_write_fail\", \"sector\": 2048, \"after\": {commands-1}"),
         .args = cell_test,
         .counted_run = timing_test,
         .out = started + no_response(at, false, 10),
         .error_at = "host_main/command_channel.cpp",
         .records = failed_run_records(2, "NAND Flash test\nSent to device : No response from drive\n")},
    });
}

TEST(FailureMatrix, BadPairLists) {
    // A new drive without bad blocks: every bank's pair 1 holds its system
    // blocks; 235 bad pairs are one more than a bank may have.
    std::string too_many_bad_pairs = ", \"bad_blocks\": [";
    for (uint32_t pair = 1; pair <= 235; ++pair) {
        too_many_bad_pairs += (pair > 1 ? ", " : "") +
                              std::string("{\"bank\": 9, \"chip\": \"low\", \"block\": ") +
                              std::to_string(2 * pair) + "}";
    }
    too_many_bad_pairs += "]";
    expect_rows({
        {.failure = "a bank's total exceeds the limit",
         .id = "too_many_bad_pairs",
         .members = too_many_bad_pairs,
         .out = PASSED + blank_check() + "scanning initial bad blocks\n" + scan_lines(0, 8) +
                scan_line(9, 235, 0) + scan_lines(10, 11) + "ERROR: too many bad blocks in " + bank_line(9),
         .error_at = "host_mass_production/firmware_download.cpp",
         .records = failed_run_records(3,
                                       "Build bad block list\nToo many bad blocks in Bank 9=B2\t\n"
                                       "Bad block list build fail")},
        {.failure = "a table entry names block 8192 or higher",
         .id = "block_beyond_the_chip",
         .stored = {0, {0x2000}},
         .out = PASSED + reworked_bank_2(true) + "ERROR: scan list has error\n",
         .error_at = "host_install/bad_pair_lists.cpp",
         .records = failed_run_records(3, "Build bad block list\nScan list has error")},
        {.failure = "command channel failure: the read-back of the lists",
         .id = "lists_read_back",
         .members = fault("\"kind\": \"link_read_fail\", \"sector\": 2048, \"after\": 220"),
         .out = NEW_DRIVE + no_response("host_install/install_bb_lists.cpp", true),
         .error_at = "host_main/command_channel.cpp",
         .records =
             failed_run_records(2, "Install bad block list\nRecv from device : No response from drive\n")},
    });
}

TEST(FailureMatrix, FirmwareContext) {
    expect_rows({
        {.failure = "636: more than 409 blocks of one bank's initial table are bad on one chip only",
         .id = "too_many_single_chip_blocks",
         .stored = {0, low_chip_blocks(2, 410)},
         .out = PASSED + reworked_bank_2(true) +
                "\ndebug assertion failure\nsrc/host_install/system_blocks.cpp : 636\n",
         .records = failed_run_records(
             3, "Build bad block list\nDebug assertion failure\nsrc/host_install/system_blocks.cpp : 636\n")},
        {.failure = "261: the first candidate is block 0 (block zero listed as bad on one chip only)",
         .id = "block_zero_bad_on_one_chip",
         .stored = {0, {0}},
         .out = PASSED + reworked_bank_2(true) +
                "\ndebug assertion failure\nsrc/host_install/system_blocks.cpp : 261\n",
         .records = failed_run_records(
             3, "Build bad block list\nDebug assertion failure\nsrc/host_install/system_blocks.cpp : 261\n")},
        {.failure = "the HIL context buffer cannot be allocated",
         .id = "hil_context_buffer",
         .failing_allocation = 9,
         .out = NEW_DRIVE + MEMORY_FAILURE,
         .error_at = "host_install/hil_context.cpp",
         .records = failed_run_records(3, "Build bad block list\n" + MEMORY_FAIL_RECORD)},
    });
}

// The block-zero writes of the download, each with the label its failure
// record ends with.
TEST(FailureMatrix, FirmwareDownloadWrites) {
    const char* at = "host_mass_production/firmware_download.cpp";
    const std::string block_zero = std::string("Write to block zero\n") + CORRUPTION_TRAIL;
    expect_rows({
        {.failure = "a block-zero page write fails: stamp, page 4, \"Big ECC\\n\"",
         .id = "stamp",
         .members = read_differs(9, 0, 4, 10),
         .out = NEW_DRIVE + CORRUPTION + bank_line(9),
         .error_at = at,
         .records = failed_run_records(3, block_zero + bank_line(9) + "Big ECC\n"),
         .dumps = {"bad9.bin", 2048, 10}},
        {.failure = "a block-zero page write fails: stamp, page 4, a chip fails its program",
         .id = "stamp_program_fails",
         .members = program_fail(9, 0, 4),
         .out = NEW_DRIVE + CORRUPTION + bank_line(9),
         .error_at = at,
         .records = failed_run_records(3, block_zero + bank_line(9) + "Big ECC\n"),
         .dumps = {"bad9.bin", 2048, 0, 2048}},
        {.failure = "a block-zero page write fails: bootloader, page 5, \"2nd Bootloader - Big ECC\"",
         .id = "bootloader",
         .members = read_differs(0, 0, 5, 300),
         .out = NEW_DRIVE + CORRUPTION + bank_line(0),
         .error_at = at,
         .records = failed_run_records(3, block_zero + bank_line(0) + "2nd Bootloader - Big ECC"),
         .dumps = {"bad0.bin", 2048, 300}},
        {.failure = "a block-zero page write fails: calibration pattern, pages 6 to 8, "
                    "\"calibration pattern - Normal ECC\\n\"",
         .id = "calibration_pattern",
         .members = read_differs(11, 0, 8, 4),
         .out = NEW_DRIVE + CORRUPTION + bank_line(11),
         .error_at = at,
         .records = failed_run_records(3, block_zero + bank_line(11) + "calibration pattern - Normal ECC\n"),
         .dumps = {"bad11.bin", 3 * 8192, 2 * 8192 + 4}},
        {.failure = "a block-zero page write fails: firmware, \"Firmware - Big ECC\\n\"",
         .id = "firmware",
         .members = read_differs(1, 0, 20, 3),
         .out = NEW_DRIVE + CORRUPTION + bank_line(1),
         .error_at = at,
         .records = failed_run_records(3, block_zero + bank_line(1) + "Firmware - Big ECC\n"),
         .dumps = {"bad1.bin", 25 * 2560, 11 * 2560 + 3}},
        {.failure =
             "a block-zero page write fails: runtime overlay, \"Firmware Runtime Overlay - Big ECC\\n\"",
         .id = "overlay",
         .members = read_differs(10, 0, 39, 2047),
         .out = NEW_DRIVE + CORRUPTION + bank_line(10),
         .error_at = at,
         .records =
             failed_run_records(3, block_zero + bank_line(10) + "Firmware Runtime Overlay - Big ECC\n"),
         .dumps = {"bad10.bin", 6 * 2560, 5 * 2560 + 2047}},
        {.failure = "the metadata image buffer cannot be allocated",
         .id = "metadata_image_buffer",
         .failing_allocation = 7,
         .out = NEW_DRIVE + MEMORY_FAILURE,
         .error_at = at,
         .records = failed_run_records(3, MEMORY_FAIL_RECORD)},
        {.failure = "the master info buffer cannot be allocated",
         .id = "master_info_buffer",
         .failing_allocation = 8,
         .out = NEW_DRIVE + MEMORY_FAILURE,
         .error_at = at,
         .records = failed_run_records(3, MEMORY_FAIL_RECORD)},
    });
}

TEST(FailureMatrix, SystemAreaInstallers) {
    expect_rows({
        // Block 8191 of bank 0 is bad on the high chip alone: it is the
        // low chip's system block, which the rework erase never reaches.
        {.failure = "a system block on the last block of its chip fails its erase",
         .id = "last_block_system_block_erase",
         .members = ", \"bad_blocks\": [{\"bank\": 0, \"chip\": \"high\", \"block\": 8191}]" +
                    fault("\"kind\": \"erase_fail\", \"bank\": 0, \"chip\": \"low\", \"block\": 8191"),
         .out = PASSED + blank_check() + "scanning initial bad blocks\n" + scan_line(0, 0, 1) +
                scan_lines(1, 11) + "ERROR: erase failure, pblk_offset = 8191, real_pblk_offset = 8191\n" +
                bank_line(0),
         .error_at = "host_install/system_block_erase.cpp",
         .records =
             failed_run_records(3, "Erase system block\nErase failure, pblk_offset = 8191\nbank 0=A0\t\n")},
        {.failure = "the zero page does not read back",
         .id = "zero_page",
         .members = read_differs(3, 8, 77, 1000),
         .out = NEW_DRIVE,
         .error_at = "host_install/install_zero_page.cpp",
         .records = failed_run_records(3, "Installing zero page...Zero page install fail")},
        {.failure = "the metadata does not read back",
         .id = "metadata",
         .members = read_differs(0, 4, 0, 9),
         .out = NEW_DRIVE + CORRUPTION,
         .error_at = "host_install/install_metadata.cpp",
         .records = failed_run_records(
             3, "installing metadata...Metadata install fail\ndata corruption. see good.bin and bad.bin\n"),
         .dumps = {"bad.bin", 0xBE1370, 9}},
        {.failure = "the HIL context does not read back",
         .id = "hil_context",
         .members = read_differs(0, 7, 0, 5),
         .out = NEW_DRIVE + CORRUPTION,
         .error_at = "host_install/install_hil_context.cpp",
         .records = failed_run_records(
             3, std::string("installing HIL context...HIL install fail\n") + CORRUPTION_TRAIL),
         .dumps = {"bad.bin", 16384, 8192 + 5}},
        {.failure = "the master info does not read back",
         .id = "master_info",
         .members = read_differs(0, 2, 0, 50),
         .out = NEW_DRIVE + CORRUPTION,
         .error_at = "host_install/install_master_info.cpp",
         .records = failed_run_records(
             3, std::string("installing master info...Master install fail\n") + CORRUPTION_TRAIL),
         .dumps = {"bad.bin", 116, 50}},
        {.failure = "channel failures are fatal: the zero page read-back",
         .id = "zero_page_read_back",
         .members = fault("\"kind\": \"link_read_fail\", \"sector\": 2048, \"after\": 600"),
         .out = NEW_DRIVE + no_response("host_install/install_zero_page.cpp", true),
         .error_at = "host_main/command_channel.cpp",
         .records =
             failed_run_records(3, "Installing zero page...Recv from device : No response from drive\n")},
        {.failure = "a read-back buffer cannot be allocated: the zero page's",
         .id = "zero_page_buffer",
         .failing_allocation = 10,
         .out = NEW_DRIVE + MEMORY_FAILURE,
         .error_at = "host_install/install_zero_page.cpp",
         .records = failed_run_records(3, "Installing zero page..." + MEMORY_FAIL_RECORD)},
        {.failure = "a read-back buffer cannot be allocated: the metadata's",
         .id = "metadata_buffer",
         .failing_allocation = 11,
         .out = NEW_DRIVE + MEMORY_FAILURE,
         .error_at = "host_install/install_metadata.cpp",
         .records = failed_run_records(3, "installing metadata..." + MEMORY_FAIL_RECORD)},
        {.failure = "a read-back buffer cannot be allocated: the HIL context's",
         .id = "hil_context_read_back_buffer",
         .failing_allocation = 12,
         .out = NEW_DRIVE + MEMORY_FAILURE,
         .error_at = "host_install/install_hil_context.cpp",
         .records = failed_run_records(3, "installing HIL context..." + MEMORY_FAIL_RECORD)},
        {.failure = "a read-back buffer cannot be allocated: the master info's",
         .id = "master_info_read_back_buffer",
         .failing_allocation = 13,
         .out = NEW_DRIVE + MEMORY_FAILURE,
         .error_at = "host_install/install_master_info.cpp",
         .records = failed_run_records(3, "installing master info..." + MEMORY_FAIL_RECORD)},
    });
}

TEST(FailureMatrix, BlockZeroWriter) {
    expect_rows({
        {.failure = "channel failures are fatal: the read-back of the stamp",
         .id = "stamp_read_back",
         .members = fault("\"kind\": \"link_read_fail\", \"sector\": 2048, \"after\": 5000"),
         .out = NEW_DRIVE + no_response("host_install/block_zero_writer.cpp", true),
         .error_at = "host_main/command_channel.cpp",
         .records =
             failed_run_records(3, "Write to block zero\nRecv from device : No response from drive\n")},
        {.failure = "the page buffer of a copied write cannot be allocated: the stamp's",
         .id = "stamp_page_buffer",
         .failing_allocation = 14,
         .out = NEW_DRIVE + MEMORY_FAILURE,
         .error_at = "host_install/block_zero_writer.cpp",
         .records = failed_run_records(3, "Write to block zero\n" + MEMORY_FAIL_RECORD)},
        {.failure = "the calibration pattern's buffer cannot be allocated",
         .id = "calibration_pattern_buffer",
         .failing_allocation = 18,
         .out = NEW_DRIVE + MEMORY_FAILURE,
         .error_at = "host_install/calibration_pattern.cpp",
         .records = failed_run_records(3, MEMORY_FAIL_RECORD)},
        {.failure = "the expected image of an encoded write cannot be allocated: the firmware's",
         .id = "firmware_expected_image",
         .failing_allocation = 20,
         .out = NEW_DRIVE + MEMORY_FAILURE,
         .error_at = "host_install/block_zero_writer.cpp",
         .records = failed_run_records(3, "Write to block zero\n" + MEMORY_FAIL_RECORD)},
    });
}

std::vector<uint8_t> bytes_of(const std::string& text) {
    return {text.begin(), text.end()};
}

const std::map<std::string, std::vector<uint8_t>> EARLIER_DUMPS = {
    {"good.bin", bytes_of("good.bin of an earlier run")},
    {"bad.bin", bytes_of("bad.bin of an earlier run")},
    {"bad3.bin", bytes_of("bad3.bin of an earlier run")},
};

// What stands beside a corruption message is its own dumps: those of an
// earlier run go first, and a dump that cannot be written is named with the
// reason. Each writer that dumps, once.
TEST(FailureMatrix, DumpFiles) {
    expect_rows({
        {.failure = "a write fails where an earlier run left its dumps: they are removed",
         .id = "earlier_dumps_removed",
         .members = read_differs(9, 0, 4, 10),
         .earlier_dumps = EARLIER_DUMPS,
         .out = NEW_DRIVE + CORRUPTION + bank_line(9),
         .error_at = "host_mass_production/firmware_download.cpp",
         .records = failed_run_records(
             3, std::string("Write to block zero\n") + CORRUPTION_TRAIL + bank_line(9) + "Big ECC\n"),
         .dumps = {"bad9.bin", 2048, 10}},
    });
    std::string why;
    if (!e2e::read_only_directories_usable(&why)) {
        GTEST_SKIP() << "the rows of a read-only directory were NOT run: " << why;
    }
    const std::string read_only = ": Read-only file system\n";
    const auto cannot_remove = [&](const std::string& name) {
        return "ERROR: cannot remove " + name + " of an earlier run" + read_only;
    };
    const auto cannot_write = [&](const std::string& bad_name) {
        return "ERROR: cannot write good.bin" + read_only + "ERROR: cannot write " + bad_name + read_only;
    };
    expect_rows({
        {.failure = "the dumps cannot be written or the earlier ones removed: the lists' install",
         .id = "read_only_lists",
         .members = read_differs(8, 0, 0, 100),
         .earlier_dumps = EARLIER_DUMPS,
         .read_only_directory = true,
         .out = NEW_DRIVE + CORRUPTION + cannot_remove("good.bin") + cannot_remove("bad.bin") +
                cannot_remove("bad3.bin") + cannot_write("bad.bin"),
         .error_at = "host_mass_production/flash_test.cpp",
         .records = failed_run_records(2, std::string("Install bad block list\n") + CORRUPTION_TRAIL)},
        {.failure = "the dumps cannot be written: a block-zero page write",
         .id = "read_only_stamp",
         .members = read_differs(9, 0, 4, 10),
         .read_only_directory = true,
         .out = NEW_DRIVE + CORRUPTION + bank_line(9) + cannot_write("bad9.bin"),
         .error_at = "host_mass_production/firmware_download.cpp",
         .records = failed_run_records(
             3, std::string("Write to block zero\n") + CORRUPTION_TRAIL + bank_line(9) + "Big ECC\n")},
        {.failure = "the dumps cannot be written: a system-area install",
         .id = "read_only_hil_context",
         .members = read_differs(0, 7, 0, 5),
         .read_only_directory = true,
         .out = NEW_DRIVE + CORRUPTION + cannot_write("bad.bin"),
         .error_at = "host_install/install_hil_context.cpp",
         .records = failed_run_records(
             3, std::string("installing HIL context...HIL install fail\n") + CORRUPTION_TRAIL)},
    });
}

// The fragmentation's first transfer, the zero bytes it programs from, comes
// right after the last command a run without it sends before the drive's reset.
TEST(FailureMatrix, FtlFragmentation) {
    expect_rows({
        {.failure = "channel failures are fatal",
         .id = "fragmentation",
         .members = fault("\"kind\": \"link_write_fail\", \"sector\": 2048, \"after\": {commands-1}"),
         .args = {"1", SERIAL, "L", "B0", "Gy"},
         .counted_run = {"1", SERIAL},
         .out = SERIAL_LINE + "Flash BIST count = 0\n" + first_stages_passed() + new_drive_flash_test() +
                empty_operator_lists() + no_response("host_install/ftl_fragmentation.cpp", false, 1),
         .error_at = "host_main/command_channel.cpp",
         .records = failed_run_records(3, "Sent to device : No response from drive\n")},
    });
}

}  // namespace

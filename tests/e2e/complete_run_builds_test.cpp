// The complete production run on every build: a new drive, then the same
// drive back from the field and produced again. After each run the drive
// must hold in NAND exactly what the run installs, and the station must
// have received the records of every stage in order.
#include <gtest/gtest.h>

#include <regex>
#include <utility>

#include "complete_run_checks.h"
#include "drive_contents.h"
#include "little_endian.h"
#include "model/field_use.h"
#include "model/scenario.h"
#include "model/verdict.h"

namespace {

using namespace e2e_run;

const std::string INSTALLED = "\nfirmware installation complete\n";
const std::string JUMPER_BOX = "\nchange the jumper setting (factory mode -> normal mode)\n[press any key]\n";

// Factory-bad blocks on the first and the last bank of the build: on the
// first, block 1 (low chip, in the reserved pair), block 7 (low) and block
// 8191 (high), so its two system blocks differ and lie on the first block
// the rework erase reaches (1, high chip) and on the last block, which it
// never reaches (8191, low chip); on the last, block 100 on both chips.
std::string factory_bad_blocks(const BuildFacts& facts) {
    const std::string first = std::to_string(bank_of_index(facts, 0));
    const std::string last = std::to_string(bank_of_index(facts, num_banks(facts) - 1));
    return ", \"bad_blocks\": [{\"bank\": " + first +
           ", \"chip\": \"low\", \"block\": 1}, {\"bank\": " + first +
           ", \"chip\": \"high\", \"block\": 8191}, {\"bank\": " + first +
           ", \"chip\": \"low\", \"block\": 7}, {\"bank\": " + last + ", \"block\": 100}]";
}

InstalledTables expected_new_tables(const BuildFacts& facts) {
    InstalledTables tables;
    tables.initial.resize(sim::BANK_POSITIONS);
    tables.runtime.resize(sim::BANK_POSITIONS);
    tables.initial[bank_of_index(facts, 0)] = {1, 7, 0x8000 | 8191};
    tables.initial[bank_of_index(facts, num_banks(facts) - 1)] = {0x8064, 0x0064};
    return tables;
}

// The grown bad blocks of field use as the runtime tables must carry them:
// one entry per block with its chip and the type the drive recorded.
void add_grown_blocks(const std::string& log, InstalledTables* tables) {
    const std::regex grown("bank ([0-9]+) (low|high) chip block ([0-9]+) grew bad \\(type ([0-9]+)\\)");
    for (std::sregex_iterator it(log.begin(), log.end(), grown), end; it != end; ++it) {
        const uint32_t mask = (*it)[2] == "low" ? 1 : 2;
        tables->runtime[std::stoul((*it)[1])].push_back(static_cast<uint32_t>(std::stoul((*it)[3])) |
                                                        mask << 16 |
                                                        static_cast<uint32_t>(std::stoul((*it)[4])) << 24);
    }
}

std::string serial_shown(const std::string& out) {
    std::smatch match;
    return std::regex_search(out, match, std::regex("serial number = ([0-9A-Z]{20})\n")) ? match[1].str()
                                                                                         : "";
}

// The first bank's system blocks (low chip, high chip) as its stamp names them.
std::pair<uint32_t, uint32_t> first_system_blocks(const sim::Drive& drive, const BuildFacts& facts) {
    const std::vector<uint8_t> stamp = e2e::block_zero_page(drive, bank_of_index(facts, 0), 4);
    return {load_le16(stamp.data() + 52), load_le16(stamp.data() + 54)};
}

void expect_complete(const e2e::RunResult& result) {
    EXPECT_EQ(result.exit_code, 0) << result.out << result.err;
    EXPECT_EQ(records_of(result), complete_run_records());
    EXPECT_TRUE(result.dumps.empty());
    ASSERT_TRUE(result.drive);
    // One reset of the drive per run, at its end.
    EXPECT_EQ(result.drive->counters.device_resets, result.drive->counters.power_ons);
}

TEST(CompleteRun, NewDriveThenTheSameDriveReworkedOnEveryBuild) {
    for (const uint32_t build : e2e::built_builds()) {
        SCOPED_TRACE("build " + std::to_string(build));
        const BuildFacts& facts = facts_of(build);
        const e2e::Station station = e2e::make_station(build, "complete_run_b" + std::to_string(build));
        std::string error;
        ASSERT_TRUE(e2e::create_drive(station, scenario(build, factory_bad_blocks(facts)), &error)) << error;

        // Without operator mode nothing asks for fragmentation, whatever G says.
        const e2e::RunResult produced = e2e::run(station, {"1", "Gy"});
        expect_complete(produced);
        expect_no_violation(produced);
        EXPECT_TRUE(produced.out.ends_with(INSTALLED)) << produced.out;
        EXPECT_EQ(produced.out.find("fragmentation"), std::string::npos);
        const InstalledTables new_tables = expected_new_tables(facts);
        EXPECT_EQ(tables_on_drive(*produced.drive).initial, new_tables.initial);
        EXPECT_EQ(tables_on_drive(*produced.drive).runtime, new_tables.runtime);
        expect_installed(*produced.drive, facts, new_tables);
        EXPECT_EQ(first_system_blocks(*produced.drive, facts), std::make_pair(8191u, 1u));
        const std::string serial = serial_shown(produced.out);
        ASSERT_EQ(serial.size(), 20u) << produced.out;
        EXPECT_EQ(stamp_serial(*produced.drive), serial);

        std::unique_ptr<sim::Drive> drive = sim::load_drive(e2e::drive_file(station), &error);
        ASSERT_TRUE(drive) << error;
        std::string log;
        ASSERT_TRUE(sim::age_in_field(*drive, 3, 7 + build, &log));
        ASSERT_TRUE(sim::save_drive(*drive, e2e::drive_file(station), &error)) << error;

        // Operator mode with one cycle of the drive-side NAND test: the
        // program writes the runtime tables to page 3.
        const e2e::RunResult reworked = e2e::run(station, {"1", "L", "B1", "Gn"});
        expect_complete(reworked);
        expect_no_violation(reworked);
        EXPECT_NE(reworked.out.find("WARNING: The NAND Flash is not clean (being reworked) !!!\n"),
                  std::string::npos);
        EXPECT_TRUE(reworked.out.ends_with(INSTALLED + JUMPER_BOX)) << reworked.out;
        EXPECT_EQ(serial_shown(reworked.out), serial);
        EXPECT_EQ(stamp_serial(*reworked.drive), serial);
        InstalledTables reworked_tables = new_tables;
        add_grown_blocks(log, &reworked_tables);
        EXPECT_EQ(tables_on_drive(*reworked.drive).initial, reworked_tables.initial);
        EXPECT_EQ(tables_on_drive(*reworked.drive).runtime, reworked_tables.runtime) << log;
        expect_installed(*reworked.drive, facts, reworked_tables);
        EXPECT_EQ(first_system_blocks(*reworked.drive, facts), std::make_pair(8191u, 1u));
        for (const sim::Fault& fault : reworked.drive->faults) {
            EXPECT_EQ(fault.fired, 0u) << "grown bad block " << fault.block << " was erased";
        }
    }
}

}  // namespace

namespace {

// A drive whose first expected bank holds user data and whose other banks are
// new: the first bank is reworked, the others are scanned, and the operator
// is asked to move the jumper.
TEST(CompleteRun, MixedDriveOnEveryBuild) {
    for (const uint32_t build : e2e::built_builds()) {
        SCOPED_TRACE("build " + std::to_string(build));
        const BuildFacts& facts = facts_of(build);
        const uint32_t used_bank = bank_of_index(facts, 0);
        const e2e::Station station = e2e::make_station(build, "mixed_run_b" + std::to_string(build));
        std::string error;
        std::unique_ptr<sim::Drive> drive = sim::drive_from_scenario(scenario(build), &error);
        ASSERT_TRUE(drive) << error;
        const std::vector<uint8_t> user_data(sim::BANK_PAGE_BYTES, 0x5A);
        ASSERT_EQ(sim::program_bank_page(*drive, used_bank, 3000, 3000, 0, user_data.data(),
                                         sim::BANK_PAGE_BYTES, 0),
                  0);
        ASSERT_TRUE(sim::save_drive(*drive, e2e::drive_file(station), &error)) << error;

        const e2e::RunResult result = e2e::run(station, {"1"});
        expect_complete(result);
        expect_no_violation(result);
        char blank_check[64];
        std::snprintf(blank_check, sizeof blank_check, "bank %02u(%c%u)..NOT blank\n", used_bank,
                      static_cast<char>('A' + used_bank % 4), used_bank / 4);
        EXPECT_NE(result.out.find(blank_check), std::string::npos) << result.out;
        EXPECT_NE(result.out.find("WARNING: The NAND Flash is not clean (being reworked) !!!\n"),
                  std::string::npos);
        EXPECT_NE(result.out.find("scanning initial bad blocks\n"), std::string::npos);
        EXPECT_TRUE(result.out.ends_with(INSTALLED + JUMPER_BOX)) << result.out;
        InstalledTables no_bad_blocks;
        no_bad_blocks.initial.resize(sim::BANK_POSITIONS);
        no_bad_blocks.runtime.resize(sim::BANK_POSITIONS);
        EXPECT_EQ(tables_on_drive(*result.drive).initial, no_bad_blocks.initial);
        EXPECT_EQ(tables_on_drive(*result.drive).runtime, no_bad_blocks.runtime);
        expect_installed(*result.drive, facts, no_bad_blocks);
        EXPECT_FALSE(e2e::page_programmed(*result.drive, used_bank, 3000, 0, false))
            << "the user data is erased";
        EXPECT_EQ(result.drive->boot_verdict, sim::WOULD_BOOT);
    }
}

}  // namespace

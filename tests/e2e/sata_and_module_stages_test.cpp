// The SATA/SDRAM test and the module test on simulated drives: exact console
// lines, station records in order and exit codes, in every build where the
// builds differ (bank bitmaps, NAND parts, the larger-configuration question).
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <regex>
#include <string>
#include <tuple>
#include <vector>

#include "e2e_harness.h"

namespace {

struct BuildFlash {
    uint32_t banks;
    const char* ids;  // one chip's five ID bytes as the console shows them
    const char* must_be;
};

// By build number, from 1.
constexpr BuildFlash BUILD_FLASH[] = {
    {0x00000F0F, " EC D7 D5 29 38", "0F0F"},     {0x00000F0F, " 89 D7 D5 3E 78", "0F0F"},
    {0x0F0F0F0F, " EC D5 51 A6 68", "F0F0F0F"},  {0x00000F0F, " EC D7 55 B6 78", "0F0F"},
    {0xFFFFFFFF, " EC D7 55 B6 78", "FFFFFFFF"},
};

const BuildFlash& flash_of(uint32_t build) {
    return BUILD_FLASH[build - 1];
}

using Record = std::tuple<std::string, int, int, std::string>;

std::vector<Record> records_of(const e2e::RunResult& result) {
    std::vector<Record> records;
    for (const e2e::StationRecord& r : result.records) {
        records.emplace_back(r.call, r.stage, r.status, r.text);
    }
    return records;
}

Record write(int stage, int status, const std::string& text) {
    return {"write", stage, status, text};
}

std::vector<Record> then(std::vector<Record> records, const std::vector<Record>& more) {
    records.insert(records.end(), more.begin(), more.end());
    return records;
}

const Record INITIALIZE{"initialize", 1, 0, ""};
const Record FINALIZE{"finalize", 0, 0, ""};
const std::vector<Record> SATA_TEST_STARTED = {INITIALIZE, write(10, 0, "1916"),
                                               write(0, 0, "SATA Test start.\nDrive number = 1\n")};
const std::vector<Record> MODULE_TEST_STARTED =
    then(SATA_TEST_STARTED, {write(0, 1, "SATA Test finish"), write(1, 0, "Module Test start")});

const std::string SDRAM_SIZE = "Size of SDRAM is 64 MB\n";
const std::string SATA_TEST_PASSED = SDRAM_SIZE +
                                     "SATA/SDRAM test 20%\rSATA/SDRAM test 40%\rSATA/SDRAM test 60%\r"
                                     "SATA/SDRAM test 80%\rSATA/SDRAM test 100%\r\n";

// The ID line of every bank in `banks`, as the console or the trail has it.
std::string id_lines(uint32_t banks, const char* ids, bool trail) {
    std::string text;
    for (uint32_t bank = 0; bank < 32; ++bank) {
        if ((banks >> bank) & 1) {
            char name[16];
            std::snprintf(name, sizeof name, trail ? "Bank %02u(%c%u)" : "bank %02u(%c%u)", bank,
                          'A' + bank % 4, bank / 4);
            text += std::string(name) + " low:" + ids + "\thigh:" + ids + (trail ? "\n\n" : "\n");
        }
    }
    return text;
}

// "error at" lines keep the file they name; their line numbers move with the
// code.
std::string without_line_numbers(const std::string& out) {
    return std::regex_replace(out, std::regex("(error at [^ ]+ )[0-9]+\n"), "$1N\n");
}

std::string scenario(uint32_t build, const std::string& members = "") {
    return "{\"build\": " + std::to_string(build) + members + "}";
}

std::string banks_member(uint32_t banks) {
    char text[32];
    std::snprintf(text, sizeof text, ", \"banks\": \"0x%08X\"", banks);
    return text;
}

// One run in a scratch directory of its own; a null scenario leaves the
// station without a drive.
e2e::RunResult run_on(uint32_t build, const std::string& name, const char* drive_scenario,
                      const std::vector<std::string>& args, const std::string& input = "") {
    const std::string test = testing::UnitTest::GetInstance()->current_test_info()->name();
    const e2e::Station station = e2e::make_station(build, test + "_" + name + "_b" + std::to_string(build));
    if (drive_scenario != nullptr) {
        std::string error;
        EXPECT_TRUE(e2e::create_drive(station, drive_scenario, &error)) << error;
    }
    e2e::RunResult result = e2e::run(station, args, {.input = input});
    if (result.drive) {
        EXPECT_EQ(result.drive->violation_count, 0u) << name << "\n" << e2e::violations_text(*result.drive);
    }
    return result;
}

struct FailingRun {
    const char* name;
    std::string members;  // of the build-1 scenario
    std::vector<std::string> args;
    std::string input;
    std::string out;
    std::vector<Record> records;
};

void expect_failing_runs(const std::vector<FailingRun>& runs) {
    for (const FailingRun& r : runs) {
        const e2e::RunResult result = run_on(1, r.name, scenario(1, r.members).c_str(), r.args, r.input);
        EXPECT_EQ(result.exit_code, 1) << r.name;
        EXPECT_EQ(without_line_numbers(result.out), r.out) << r.name;
        EXPECT_EQ(records_of(result), r.records) << r.name;
    }
}

TEST(SataAndModuleStages, AGoodDrivePassesBothStagesAndTheRunGoesOn) {
    const std::vector<Record> expected_records =
        then(MODULE_TEST_STARTED, {write(1, 1, "Module test finish"), write(2, 0, "Flash test start")});
    for (const uint32_t build : e2e::built_builds()) {
        const BuildFlash& flash = flash_of(build);
        const e2e::RunResult result = run_on(build, "good", scenario(build).c_str(), {"1"});
        const std::string expected =
            SATA_TEST_PASSED + "initialize flash\n" + id_lines(flash.banks, flash.ids, false);
        EXPECT_EQ(result.out.substr(0, expected.size()), expected) << "build " << build << "\n" << result.out;
        const std::vector<Record> records = records_of(result);
        ASSERT_GE(records.size(), expected_records.size()) << "build " << build;
        EXPECT_EQ(std::vector<Record>(records.begin(), records.begin() + expected_records.size()),
                  expected_records)
            << "build " << build;
    }
}

TEST(SataAndModuleStages, NoDriveToOpen) {
    const e2e::RunResult result = run_on(1, "no_drive", nullptr, {"1"});
    EXPECT_EQ(result.exit_code, 1);
    EXPECT_EQ(without_line_numbers(result.out),
              "ERROR: cannot open target drive \\\\.\\PHYSICALDRIVE1\n"
              "error at src/host_mass_production/sata_sdram_test.cpp N\n");
    EXPECT_EQ(records_of(result),
              then(SATA_TEST_STARTED,
                   {write(0, 4, "Cannot open target drive.\nTarget drive number = 1\n"), FINALIZE}));
}

TEST(SataAndModuleStages, SataSdramTestFailuresEndTheRun) {
    const std::string at = "error at src/host_mass_production/sata_sdram_test.cpp N\n";
    const std::string wrong_size = "ERROR: SDRAM size is different from set value (64 MB)\n" + at;
    const std::vector<Record> wrong_size_records =
        then(SATA_TEST_STARTED,
             {write(0, 4, "SDRAM size is different from set value (64 MB).\nTarget drive number = 1\n"),
              FINALIZE});
    // Sector 4993 begins the 40th transfer of a pass.
    expect_failing_runs({
        {"32_mb",
         ", \"sdram_mb\": 32",
         {"1"},
         "",
         "Size of SDRAM is 32 MB\n" + wrong_size,
         wrong_size_records},
        {"16_mb",
         ", \"sdram_mb\": 16",
         {"1"},
         "",
         "Size of SDRAM is 16 MB\n" + wrong_size,
         wrong_size_records},
        // In normal mode the drive executes nothing: the probe reads back its
        // own command sector, and the drive looks like a 32 MB part.
        {"jumper_in_normal_mode",
         ", \"jumper\": \"normal\"",
         {"1"},
         "",
         "Size of SDRAM is 32 MB\n" + wrong_size,
         wrong_size_records},
        {"write_fails",
         ", \"faults\": [{\"kind\": \"link_write_fail\", \"sector\": 4993}]",
         {"1"},
         "",
         SDRAM_SIZE + "SATA/SDRAM test 20%\rERROR: SATA/SDRAM test failure (WRITE protocol error)\n" + at,
         then(SATA_TEST_STARTED, {write(0, 4, "WRITE protocol error"), FINALIZE})},
        {"read_fails",
         ", \"faults\": [{\"kind\": \"link_read_fail\", \"sector\": 4993}]",
         {"1"},
         "",
         SDRAM_SIZE + "SATA/SDRAM test 20%\rERROR: SATA/SDRAM test failure (READ protocol error)\n" + at,
         then(SATA_TEST_STARTED, {write(0, 4, "READ protocol error"), FINALIZE})},
        {"data_corrupted",
         ", \"faults\": [{\"kind\": \"link_read_differs\", \"sector\": 4993, \"value\": 700, \"times\": 1}]",
         {"1"},
         "",
         SDRAM_SIZE + "SATA/SDRAM test 20%\rERROR: SATA/SDRAM test failure (data corruption)\n" + at,
         then(SATA_TEST_STARTED, {write(0, 4, "Data corruption error"), FINALIZE})},
    });
}

TEST(SataAndModuleStages, RefusedFlashConfigurationsDeliverTheIdDump) {
    const char* ids = flash_of(1).ids;
    const std::string at = "error at src/host_mass_production/module_test.cpp N\n";
    const std::string must_be = "ERROR: bank configuration error (must be 0F0F)\n" + at;
    const std::string refused = "Bank configuration error (must be 0F0F)\nCurrent configuration = ";
    const std::string start = SATA_TEST_PASSED + "initialize flash\n";
    // Operator mode asks no count once it is given.
    const std::string start_in_operator_mode = "Flash BIST count = 7\n" + start;
    const std::string bank9 = "ank 09(B2) low: EC D7 D5 29 38\thigh: 98 D7 D5 29 38";
    const std::string wrong_ids_console =
        id_lines(0x010F, ids, false) + "b" + bank9 + " ERROR \n" + id_lines(0x0C00, ids, false);
    // The check's line comes before the bank's own.
    const std::string wrong_ids_trail = id_lines(0x010F, ids, true) +
                                        "ERROR : Flash chip ID Error\nHigh ID = 0098 Low ID = 00EC" + "B" +
                                        bank9 + "\n\n" + id_lines(0x0C00, ids, true);
    expect_failing_runs({
        {"chips_of_one_bank_disagree",
         ", \"ids\": [{\"bank\": 9, \"chip\": \"high\", \"id\": \"98 D7 D5 29 38\"}]",
         {"1", "L", "B7"},
         "",
         start_in_operator_mode + wrong_ids_console + "bank_bmp = 0D0F\n" + must_be,
         then(MODULE_TEST_STARTED, {write(1, 4, wrong_ids_trail + refused + "0D0F"), FINALIZE})},
        {"a_bank_missing",
         banks_member(0x0F0E),
         {"1"},
         "",
         start + id_lines(0x0F0E, ids, false) + "bank_bmp = 0F0E\n" + must_be,
         then(MODULE_TEST_STARTED, {write(1, 4, id_lines(0x0F0E, ids, true) + refused + "0F0E"), FINALIZE})},
        {"more_flash_without_operator_mode",
         banks_member(0x0F1F),
         {"1"},
         "y",
         start + id_lines(0x0F1F, ids, false) + "bank_bmp = 0F1F\n" + must_be,
         then(MODULE_TEST_STARTED, {write(1, 4, id_lines(0x0F1F, ids, true) + refused + "0F1F"), FINALIZE})},
        {"more_flash_declined",
         banks_member(0x0F1F),
         {"1", "L", "B7"},
         "n",
         start_in_operator_mode + id_lines(0x0F1F, ids, false) +
             "bank_bmp = 0F1F\nWARNING: Detected flash configuration is larger than intended. Proceed ?n\n" +
             at,
         then(MODULE_TEST_STARTED,
              {write(1, 4,
                     id_lines(0x0F1F, ids, true) + "Detected flash configuration is larger than intended.\n"
                                                   "Current configuration = 0F1F"),
               FINALIZE})},
        {"no_flash_at_all",
         banks_member(0),
         {"1"},
         "",
         start + "bank_bmp = 0000\n" + must_be,
         then(MODULE_TEST_STARTED, {write(1, 4, refused + "0000"), FINALIZE})},
    });
}

// Only a drive that carries every expected bank and more is offered to the
// operator; a build that expects all 32 banks never asks.
TEST(SataAndModuleStages, LargerConfigurationsAndTheBuildsOwnBitmap) {
    for (const uint32_t build : e2e::built_builds()) {
        const BuildFlash& flash = flash_of(build);
        const uint32_t one_missing = flash.banks & ~1u;
        const e2e::RunResult missing = run_on(
            build, "missing", scenario(build, banks_member(one_missing)).c_str(), {"1", "L", "B7"}, "y");
        char refusal[96];
        std::snprintf(refusal, sizeof refusal,
                      "bank_bmp = %04X\nERROR: bank configuration error (must be %s)\n", one_missing,
                      flash.must_be);
        EXPECT_NE(missing.out.find(id_lines(one_missing, flash.ids, false) + refusal), std::string::npos)
            << "build " << build << "\n"
            << missing.out;
        EXPECT_EQ(missing.out.find("Proceed ?"), std::string::npos) << "build " << build;
        EXPECT_EQ(missing.exit_code, 1) << "build " << build;

        if (flash.banks == 0xFFFFFFFF) {
            continue;
        }
        const uint32_t larger = flash.banks | 0x10;
        const e2e::RunResult taken =
            run_on(build, "larger", scenario(build, banks_member(larger)).c_str(), {"1", "L", "B7"}, "Y");
        char question[128];
        std::snprintf(
            question, sizeof question,
            "bank_bmp = %04X\nWARNING: Detected flash configuration is larger than intended. Proceed ?y\n",
            larger);
        EXPECT_NE(taken.out.find(id_lines(larger, flash.ids, false) + question), std::string::npos)
            << "build " << build << "\n"
            << taken.out;
        const std::vector<Record> records = records_of(taken);
        EXPECT_NE(std::find(records.begin(), records.end(), write(1, 1, "Module test finish")), records.end())
            << "build " << build;
    }
}

}  // namespace

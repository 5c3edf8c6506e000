// The SATA/SDRAM test and the module test on simulated drives: exact console
// lines, station records in order and exit codes, in every build where the
// builds differ (bank bitmaps, NAND parts, the larger-configuration question).
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "complete_run_checks.h"
#include "e2e_harness.h"
#include "failure_matrix_texts.h"

namespace {

using namespace e2e_run;

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

std::string banks_member(uint32_t banks) {
    char text[32];
    std::snprintf(text, sizeof text, ", \"banks\": \"0x%08X\"", banks);
    return text;
}

e2e::RunResult run_on(uint32_t build, const std::string& name, const std::string& drive_scenario,
                      const std::vector<std::string>& args, const std::string& input = "") {
    const std::string test = testing::UnitTest::GetInstance()->current_test_info()->name();
    return run_on_new_drive(build, test + "_" + name, drive_scenario, args, input);
}

TEST(SataAndModuleStages, AGoodDrivePassesBothStagesAndTheRunGoesOn) {
    const std::vector<Record> expected_records = records_until_start_of(2);
    for (const uint32_t build : e2e::built_builds()) {
        const BuildFlash& flash = flash_of(build);
        const e2e::RunResult result = run_on(build, "good", scenario(build), {"1"});
        const std::string expected = e2e_matrix::SATA_TEST_PASSED + std::string("initialize flash\n") +
                                     id_lines(flash.banks, flash.ids, false);
        EXPECT_EQ(result.out.substr(0, expected.size()), expected) << "build " << build << "\n" << result.out;
        const std::vector<Record> records = records_of(result);
        ASSERT_GE(records.size(), expected_records.size()) << "build " << build;
        EXPECT_EQ(std::vector<Record>(records.begin(), records.begin() + expected_records.size()),
                  expected_records)
            << "build " << build;
    }
}

// Only a drive that carries every expected bank and more is offered to the
// operator; a build that expects all 32 banks never asks.
TEST(SataAndModuleStages, LargerConfigurationsAndTheBuildsOwnBitmap) {
    for (const uint32_t build : e2e::built_builds()) {
        const BuildFlash& flash = flash_of(build);
        const uint32_t one_missing = flash.banks & ~1u;
        const e2e::RunResult missing =
            run_on(build, "missing", scenario(build, banks_member(one_missing)), {"1", "L", "B7"}, "y");
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
            run_on(build, "larger", scenario(build, banks_member(larger)), {"1", "L", "B7"}, "Y");
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

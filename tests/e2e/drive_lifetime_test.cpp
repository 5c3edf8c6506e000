// One drive through its life on the simulated drive: produced new, checked
// by the drive-side NAND test, back from the field and produced again. Every
// run must leave the drive without a protocol violation.
#include <gtest/gtest.h>

#include <utility>

#include "e2e_harness.h"
#include "little_endian.h"
#include "model/block_zero_formats.h"
#include "model/boot_check.h"
#include "model/field_use.h"
#include "model/verdict.h"

namespace {

uint32_t build_under_test() {
    return e2e::built_builds().front();
}

// The runtime table that block zero page 3 of a bank holds.
std::vector<uint32_t> stored_runtime_entries(const sim::Drive& drive, uint32_t bank) {
    uint8_t page[sim::BANK_PAGE_BYTES];
    sim::stored_bank_page(drive, bank, 0, 3, page);
    std::vector<uint32_t> entries;
    if (load_le32(page) == sim::RUNTIME_LIST_MAGIC_0) {
        for (uint32_t i = 0; i < load_le32(page + 12); ++i) {
            entries.push_back(load_le32(page + 16 + 4 * i));
        }
    }
    return entries;
}

void expect_clean_run(const e2e::RunResult& result) {
    EXPECT_EQ(result.exit_code, 0) << result.out << result.err;
    ASSERT_TRUE(result.drive);
    EXPECT_EQ(result.drive->violation_count, 0u) << e2e::violations_text(*result.drive);
    EXPECT_EQ(result.drive->boot_verdict, sim::WOULD_BOOT);
    EXPECT_TRUE(result.dumps.empty());
}

// The system blocks (low chip, high chip) of a bank index as the stamp of
// the first bank names them.
std::pair<uint32_t, uint32_t> stamped_system_blocks(const sim::Drive& drive, uint32_t bank_index) {
    uint8_t stamp[sim::BANK_PAGE_BYTES];
    sim::stored_bank_page(drive, 0, 0, sim::STAMP_PAGE, stamp);
    return {load_le16(stamp + 52 + 4 * bank_index), load_le16(stamp + 54 + 4 * bank_index)};
}

TEST(DriveLifetime, SecondRunOnTheSameDriveIsAReworkThatKeepsGrownBadBlocks) {
    const e2e::Station station = e2e::make_station(build_under_test(), "lifetime_rework");
    std::string error;
    ASSERT_TRUE(
        e2e::create_drive(station, "{\"build\": " + std::to_string(build_under_test()) + "}", &error));
    const e2e::RunResult first = e2e::run(station, {"1"});
    expect_clean_run(first);
    EXPECT_EQ(first.out.find("being reworked"), std::string::npos);

    std::unique_ptr<sim::Drive> drive = sim::load_drive(e2e::drive_file(station), &error);
    ASSERT_TRUE(drive) << error;
    std::string log;
    ASSERT_TRUE(sim::age_in_field(*drive, 3, 11, &log));
    ASSERT_TRUE(sim::save_drive(*drive, e2e::drive_file(station), &error));

    const e2e::RunResult second = e2e::run(station, {"1"});
    expect_clean_run(second);
    EXPECT_NE(second.out.find("WARNING: The NAND Flash is not clean (being reworked) !!!\n"),
              std::string::npos);
    ASSERT_TRUE(second.drive);
    // The grown bad blocks reached the stored runtime tables and were never erased.
    size_t entries = 0;
    for (uint32_t bank = 0; bank < sim::BANK_POSITIONS; ++bank) {
        entries += second.drive->banks[bank].present ? stored_runtime_entries(*second.drive, bank).size() : 0;
    }
    EXPECT_EQ(entries, 3u) << log;
    for (const sim::Fault& fault : second.drive->faults) {
        EXPECT_EQ(fault.fired, 0u) << "erase of grown bad block " << fault.block;
    }
}

// The last block of a chip, which the rework erase never reaches, holds the
// master info when it is the only block of the first bank bad on the other
// chip alone; the second bank keeps a system block there on its high chip.
// Every production programs the master info into an erased block.
TEST(DriveLifetime, SystemBlocksOnTheLastBlockSurviveReworkAfterRework) {
    const uint32_t build = build_under_test();
    const e2e::Station station = e2e::make_station(build, "lifetime_last_block");
    std::string error;
    ASSERT_TRUE(e2e::create_drive(station,
                                  "{\"build\": " + std::to_string(build) +
                                      R"(, "bad_blocks": [{"bank": 0, "chip": "high", "block": 8191},
                                      {"bank": 1, "chip": "low", "block": 8191}]})",
                                  &error))
        << error;
    for (const char* run : {"new", "reworked", "reworked again"}) {
        SCOPED_TRACE(run);
        const e2e::RunResult result = e2e::run(station, {"1"});
        expect_clean_run(result);
        EXPECT_EQ(result.out.find("being reworked") == std::string::npos, run == std::string("new"));
        ASSERT_TRUE(result.drive);
        EXPECT_EQ(stamped_system_blocks(*result.drive, 0), std::make_pair(8191u, 2u));
        EXPECT_EQ(stamped_system_blocks(*result.drive, 1), std::make_pair(2u, 8191u));
    }
}

TEST(DriveLifetime, NandFlashTestRunsTheBuildsProgramAndItsFindingsReachPageThree) {
    const uint32_t build = build_under_test();
    const e2e::Station station = e2e::make_station(build, "lifetime_nand_test");
    std::string error;
    ASSERT_TRUE(e2e::create_drive(station,
                                  "{\"build\": " + std::to_string(build) +
                                      R"(, "faults": [{"kind": "program_finds_bad", "bank": 1,
                                      "chip": "high", "block": 4000, "value": 3}]})",
                                  &error))
        << error;
    const e2e::RunResult result = e2e::run(station, {"1", "L", "B1"});
    expect_clean_run(result);
    ASSERT_TRUE(result.drive);
    const std::vector<uint8_t> program = e2e::build_image(build, "test_program.bin");
    EXPECT_EQ(result.drive->program.runs, 1u);
    EXPECT_EQ(result.drive->program.digest,
              sim::program_digest(program.data(), static_cast<uint32_t>(program.size())));
    EXPECT_EQ(stored_runtime_entries(*result.drive, 1),
              (std::vector<uint32_t>{4000u | (2u << 16) | (3u << 24)}));
}

}  // namespace

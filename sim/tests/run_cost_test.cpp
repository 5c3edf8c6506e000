// The counts of a run and the drive time modeled from them: banks work in
// parallel, operations on one bank one after the other, and the time
// between transfers is the station's wait.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>

#include "drive_fixture.h"
#include "model/verdict.h"
#include "support/scratch_dir.h"

namespace sim::testing {
namespace {

constexpr uint32_t BANK_PAGE = 8192;
constexpr uint64_t PROGRAM_US = NAND_PROGRAM_US + 102;  // and 4096 bytes over each chip's bus

void queue_program(Drive& drive, uint32_t bank, uint32_t row) {
    flash_op(drive, {.sub_op = FOP_PROGRAM,
                     .bank = bank,
                     .options = 0x46,
                     .sdram_addr = DATA_WINDOW,
                     .byte_count = BANK_PAGE,
                     .row = row,
                     .wait = 0});
}

TEST(RunCost, QueuedOperationsTakeAsLongAsTheBusiestBank) {
    struct Case {
        const char* name;
        std::vector<uint32_t> banks;  // one page program queued on each
        uint64_t busy_us;
    };
    const Case cases[] = {
        {"one bank", {0}, PROGRAM_US},
        {"four banks at once", {0, 1, 2, 3}, PROGRAM_US},
        {"twice on one bank", {2, 2}, 2 * PROGRAM_US},
        {"twice on one bank beside another", {2, 8, 2}, 2 * PROGRAM_US},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::unique_ptr<Drive> drive = ready_drive();
        const uint64_t before = drive->last_run.nand_busy_us;
        write_window(*drive, std::vector<uint8_t>(BANK_PAGE, 0x5A));
        for (uint32_t n = 0; n < c.banks.size(); ++n) {
            queue_program(*drive, c.banks[n], 10 + n);
        }
        EXPECT_EQ(drive->last_run.nand_busy_us, before) << "nothing runs before the sync";
        send(*drive, command(CMD_FLASH_SYNC));
        EXPECT_EQ(drive->last_run.nand_busy_us - before, c.busy_us);
        EXPECT_EQ(drive->last_run.nand[NAND_PAGE_PROGRAM], c.banks.size());
    }
}

TEST(RunCost, CountsCommandsTransfersSectorsAndWaitsOfOneRun) {
    std::unique_ptr<Drive> drive = ready_drive();
    const RunCost after_setup = drive->last_run;
    EXPECT_EQ(after_setup.commands[ENABLE_COMMAND], 1u);
    EXPECT_EQ(after_setup.commands[CONTROLLER_RESET_COMMAND], 1u);
    EXPECT_EQ(after_setup.commands[FLASH_OP_COMMAND], BANK_POSITIONS);
    EXPECT_EQ(after_setup.nand[NAND_RESET], BANK_POSITIONS);

    set_time(*drive, 250);
    write_window(*drive, std::vector<uint8_t>(3 * SECTOR, 0));
    set_time(*drive, 1250);
    read_disk(*drive, 0, SECTOR);
    send(*drive, command(0x55));
    const RunCost& run = drive->last_run;
    EXPECT_EQ(run.waited_ms, 1250u);
    EXPECT_EQ(run.transfers, after_setup.transfers + 3);
    EXPECT_EQ(run.sectors_written, after_setup.sectors_written + 4);
    EXPECT_EQ(run.sectors_read, after_setup.sectors_read + 1);
    EXPECT_EQ(run.commands[OTHER_COMMAND], 1u);

    const ModeledTime time = modeled_time(run);
    EXPECT_DOUBLE_EQ(time.waits_s, 1.25);
    EXPECT_DOUBLE_EQ(time.commands_s, static_cast<double>(run.transfers) * 50e-6);
    EXPECT_DOUBLE_EQ(time.link_s, static_cast<double>(run.sectors_written + run.sectors_read) * 512 / 300e6);
    EXPECT_DOUBLE_EQ(time.total_s, time.link_s + time.commands_s + time.nand_s + time.waits_s);
}

TEST(RunCost, ANewPowerCycleStartsANewRunAndTheFileKeepsTheLastOne) {
    const ScratchDir scratch;
    const std::string path = scratch.file("drive");
    std::string error;
    {
        std::unique_ptr<Drive> drive = ready_drive();
        send(*drive, command(CMD_RESET_DEVICE));
        ASSERT_TRUE(save_drive(*drive, path, &error)) << error;
    }
    std::unique_ptr<Drive> drive = load_drive(path, &error);
    ASSERT_TRUE(drive) << error;
    EXPECT_EQ(drive->last_run.commands[DEVICE_RESET_COMMAND], 1u);
    EXPECT_EQ(drive->last_run.nand[NAND_RESET], BANK_POSITIONS);
    EXPECT_FALSE(drive->boot_verdict.empty());

    send(*drive, enable_sector());
    EXPECT_EQ(drive->last_run.commands[DEVICE_RESET_COMMAND], 0u);
    EXPECT_EQ(drive->last_run.commands[ENABLE_COMMAND], 1u);
    EXPECT_TRUE(drive->boot_verdict.empty()) << "a station is at work on the drive again";
}

TEST(RunCost, ADriveFileOfTheFirstVersionLoadsWithoutVerdictOrRun) {
    const ScratchDir scratch;
    const std::filesystem::path path = scratch.file("first_version_drive");
    std::string error;
    std::unique_ptr<Drive> drive = ready_drive();
    drive->boot_verdict = "stamp: gone";
    ASSERT_TRUE(save_drive(*drive, path.string(), &error)) << error;
    // The first version ends after the banks and has no verdict and counts.
    const uintmax_t trailer = 4 + drive->boot_verdict.size() + 4 + 8 * (COMMAND_KINDS + 3 + NAND_KINDS + 2);
    std::filesystem::resize_file(path, std::filesystem::file_size(path) - trailer);
    {
        std::FILE* file = std::fopen(path.c_str(), "r+b");
        ASSERT_NE(file, nullptr);
        const uint8_t version_1[4] = {1, 0, 0, 0};
        std::fseek(file, 8, SEEK_SET);
        std::fwrite(version_1, 1, 4, file);
        std::fclose(file);
    }
    std::unique_ptr<Drive> loaded = load_drive(path.string(), &error);
    ASSERT_TRUE(loaded) << error;
    EXPECT_TRUE(loaded->boot_verdict.empty());
    EXPECT_EQ(loaded->last_run.transfers, 0u);
    EXPECT_EQ(loaded->counters.commands, drive->counters.commands);
}

}  // namespace
}  // namespace sim::testing

// The four stages of a production run, in their order.
#pragma once

#include <cstdint>

// Opens the drive, enables factory mode, checks the SDRAM size and tests the
// link and the SDRAM with five pattern passes (stage 0).
void sata_sdram_test(uint32_t drive_number);

// Identifies the NAND of every bank position and accepts the configuration
// or ends the run (stage 1). Leaves the work block initialized.
void module_test(bool operator_mode);

enum FlashTestKind : uint32_t {
    FLASH_TEST_NAND = 1,
    FLASH_TEST_TIMING = 2,
};

// Blank check, rework or initial scan, block-zero tables and the drive-side
// test (stage 2). A timing test ends the process inside.
void flash_test(uint32_t drive_number, bool operator_mode, bool timing_test, uint32_t kind, uint32_t count);

// Builds and installs the firmware and its start state, resets the drive
// (stage 3). Ends by writing the stage's finish record.
void firmware_download(bool operator_mode, int32_t fragmentation);

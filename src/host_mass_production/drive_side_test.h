// The drive-side flash test: the build's test program runs in the drive's
// SDRAM with the uploaded bad-block tables and a request, and the tool
// watches its status until it is complete.
#pragma once

#include <cstdint>

// After a NAND flash test: the drive is reopened in factory mode with its
// tables reloaded from block zero; returns whether the program counted
// errors. After a timing test the report is printed and the process ends.
bool drive_side_flash_test(uint32_t kind, uint32_t count, bool timing_test, uint32_t drive_number,
                           uint8_t* data_buffer);

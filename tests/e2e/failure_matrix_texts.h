// What the reference build prints on a reference drive on the way to a
// failure: the first stages passed, the flash test's blank check and scan
// report, the rework of a bank that holds data, the operator's lists.
#pragma once

#include <cstdint>
#include <string>

namespace e2e_matrix {

// The eight banks of the reference drive, ascending.
inline constexpr uint32_t REFERENCE_BANKS[] = {0, 1, 2, 3, 8, 9, 10, 11};
inline constexpr uint32_t NO_BANK = 32;
// One chip's ID bytes as the module test prints them.
inline constexpr char REFERENCE_IDS[] = " EC D7 D5 29 38";

inline constexpr char SDRAM_SIZE[] = "Size of SDRAM is 64 MB\n";
// The SATA/SDRAM test passed: the size line, the five passes, the line end.
inline constexpr char SATA_TEST_PASSED[] =
    "Size of SDRAM is 64 MB\nSATA/SDRAM test 20%\rSATA/SDRAM test 40%\rSATA/SDRAM test 60%\r"
    "SATA/SDRAM test 80%\rSATA/SDRAM test 100%\r\n";
// A write that did not verify, on the console and in the station log buffer.
inline constexpr char CORRUPTION[] = "\nERROR: data corruption. see good.bin and bad.bin\n";
inline constexpr char CORRUPTION_TRAIL[] = "Data corruption. see good.bin and bad.bin\n";

// Both first stages passed on the reference drive.
std::string first_stages_passed();

// The blank check of every bank: "blank", except `verdict` for `bank`.
std::string blank_check(uint32_t bank = NO_BANK, const std::string& verdict = "blank");

// The scan report line pair of one bank.
std::string scan_line(uint32_t bank, uint32_t low, uint32_t high);
// "scanning initial bad blocks" and every bank's scan lines with no bad
// block, leaving out `skipped` (a bank that holds data is not scanned).
std::string scan_report(uint32_t skipped = NO_BANK);
// The scan lines of the banks from `first` to `last`, no bad block in any.
std::string scan_lines(uint32_t first, uint32_t last);

// A new reference drive's flash test up to its scan report.
std::string new_drive_flash_test();

// The rework warning, the stored scan list found on `bank` (when `found`)
// and the rework erase of blocks 1 to 8190 with `failure` printed at block
// `failing_block`.
std::string rework(uint32_t bank, bool found, uint32_t failing_block = 0, const std::string& failure = "");

// The initial and runtime lists printed in operator mode, all of them empty.
std::string empty_operator_lists();

// A channel failure on the console: the "ERROR" line (a read failure's after
// a line end), the caller and, for a failed write, the sectors of the chunk.
std::string no_response(const std::string& caller, bool read, uint32_t write_sectors = 0);

}  // namespace e2e_matrix

// Shared by the end-to-end tests of the flash test and the firmware
// download: what differs between the builds, runs on drives made from
// scenarios, the station records of a run, and the check that a drive holds
// in NAND what a complete production run installs.
#pragma once

#include <cstdint>
#include <string>
#include <tuple>
#include <vector>

#include "e2e_harness.h"

namespace e2e_run {

struct BuildFacts {
    uint32_t build;
    uint32_t bank_bmp;
    uint32_t pages_per_block;
    uint32_t ftl_units;
    bool single_chip_lists;
    uint32_t master_copies;
    uint32_t build_options, flash_type, customer_type, pcb_type, build_number;
};

const BuildFacts& facts_of(uint32_t build);
uint32_t num_banks(const BuildFacts& facts);
// The position of the bank table's k-th bank.
uint32_t bank_of_index(const BuildFacts& facts, uint32_t index);

using Record = std::tuple<std::string, int, int, std::string>;
std::vector<Record> records_of(const e2e::RunResult& result);
Record write(int stage, int status, const std::string& text);
extern const Record FINALIZE;
// The records of a run that ends normally, from the tool's start to finalize.
std::vector<Record> complete_run_records();
// The records of a run from the tool's start to the stage's start record:
// all a run leaves that ends in the stage without a fail record.
std::vector<Record> records_until_start_of(int stage);
// The records of a run that fails in the stage: the stages before it, the
// stage's start record, the fail record and finalize.
std::vector<Record> failed_run_records(int stage, const std::string& fail_text);

std::string scenario(uint32_t build, const std::string& members = "");

// Prints the bank the way the tool's messages do: "bank 9=B2\t\n".
std::string bank_line(uint32_t bank);

// "error at" and "caller =" lines keep the file they name; their line
// numbers move with the code.
std::string without_line_numbers(const std::string& out);

// The module test's ID line of every bank in `banks` (bit b: bank b), as the
// console shows it or, with `trail`, as the station log buffer holds it; `ids`
// is one chip's five ID bytes as printed (" EC D7 D5 29 38").
std::string id_lines(uint32_t banks, const char* ids, bool trail);

// A run in a scratch directory of its own on a drive made from the scenario;
// the drive must record no protocol violation.
e2e::RunResult run_on_new_drive(uint32_t build, const std::string& name, const std::string& drive_scenario,
                                const std::vector<std::string>& args, const std::string& input = "");
void expect_no_violation(const e2e::RunResult& result);

// The first 20 bytes of the serial number field as the drive's stamp holds them.
std::string stamp_serial(const sim::Drive& drive);

// Checks that every expected bank holds what a complete run installs: the
// tables of pages 0 and 3 equal to `initial` and `runtime` per bank position
// (absent positions ignored), the 0xFF pages 1 and 2, the stamp, the second
// bootloader, the calibration pattern, firmware and overlay, and the system
// pairs the master info names with the metadata built from the tables; and
// that the drive's own verdict at its reset was "would boot".
struct InstalledTables {
    std::vector<std::vector<uint16_t>> initial;  // by bank position
    std::vector<std::vector<uint32_t>> runtime;  // packed entries, by bank position
};
// The dump files of a write that did not verify: "good.bin" holds the
// `bytes` bytes every bank should have read back (for encoded page slots the
// scrambled data of their sectors, then 0xFF); the named dump what the bank
// read, which differs from it in bit 0 of byte `flipped`. No name: the run
// left no dump files.
// The dump files of a read-back difference: bad_name holds good.bin with bit 0
// of byte `flipped` flipped or, when `low_chip_erased` is not 0, with the low
// chip's bytes (the even ones) of that many bytes from `flipped` reading
// erased, as a page whose program the low chip failed.
struct DumpPair {
    const char* bad_name = nullptr;
    size_t bytes = 0;
    size_t flipped = 0;
    size_t low_chip_erased = 0;
};
void expect_dumps(const e2e::RunResult& result, const DumpPair& dump);

InstalledTables tables_on_drive(const sim::Drive& drive);
void expect_installed(const sim::Drive& drive, const BuildFacts& facts, const InstalledTables& tables);

}  // namespace e2e_run

// The simulated drive: a strict model of one SATA SSD strapped into factory
// mode. The disk it presents is its SDRAM; a write that covers sector 0
// executes the command sector there. Behind it sit the flash controller
// (configuration, page buffer, queue of flash operations, per-bank status
// bytes) and 32 bank positions of NAND, each empty or holding a low and a
// high 8-bit chip.
//
// NAND data layout. A bank page is 8192 bytes on a 16-bit bus: even bytes go
// to the low chip, odd bytes to the high chip (4096 bytes per chip page), so
// ID word j carries the low chip's byte in its low half. A pair page is 16384
// bytes: the first 8192 are the bank page of block 2p, the next 8192 the bank
// page of block 2p + 1, on both chips. A page programmed with fewer bytes
// reads 0xFF beyond them.
//
// Everything that outlives a power cycle (configuration, NAND, faults,
// counters, violations) is kept in the drive file; the SDRAM, the factory-mode
// latch and the controller state are lost when power goes.
#pragma once

#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "model/run_cost.h"

namespace sim {

inline constexpr uint32_t SECTOR = 512;
inline constexpr uint32_t DISK_BYTES = 0x3E0F800;
inline constexpr uint32_t SDRAM_BASE = 0x40000000;
inline constexpr uint32_t SDRAM_SPAN = 0x4000000;
inline constexpr uint32_t DATA_WINDOW = 0x40100000;
inline constexpr uint32_t NO_ADDRESS = 0xFFFFFFFF;
inline constexpr uint32_t BANK_POSITIONS = 32;
inline constexpr uint32_t BLOCKS_PER_CHIP = 8192;
inline constexpr uint32_t CHIP_PAGE_BYTES = 4096;
inline constexpr uint32_t BANK_PAGE_BYTES = 8192;
inline constexpr uint32_t PAIR_PAGE_BYTES = 16384;
inline constexpr uint32_t PAGE_BUFFER_BYTES = 16384;
inline constexpr uint32_t ID_BYTES = 5;

// Drive-side timings on the virtual clock.
inline constexpr uint64_t BLANK_CHECK_MS = 3;
inline constexpr uint64_t SCAN_MS = 60000;
inline constexpr uint64_t TEST_PHASE_MS = 4000;

// One word per chip page. 0 is an erased page.
inline constexpr uint32_t PAGE_PROGRAMMED = 1u << 31;
inline constexpr uint32_t PAGE_FAILED = 1u << 30;  // a program that failed: reads uncorrectable
inline constexpr uint32_t PAGE_RAW = 1u << 29;     // host-encoded sectors programmed as they are
inline constexpr uint32_t PAGE_BIG_ECC = 1u << 28;
inline constexpr uint32_t PAGE_CONTENT = 0x0FFFFFFF;

// Bank status bits.
inline constexpr uint8_t STATUS_UNCORRECTABLE = 0x02;
inline constexpr uint8_t STATUS_NOT_BLANK = 0x04;
inline constexpr uint8_t STATUS_LOW_FAILED = 0x08;
inline constexpr uint8_t STATUS_HIGH_FAILED = 0x10;
inline constexpr uint8_t STATUS_ERASED = 0x20;

enum Chip : uint32_t { LOW = 0, HIGH = 1 };

struct Block {
    std::unique_ptr<uint32_t[]> pages;  // null while the block is erased
    uint16_t next_page = 0;             // pages below it may not be programmed again
    bool factory_bad = false;
};

struct NandChip {
    uint8_t id[ID_BYTES] = {};
    std::vector<Block> blocks;
    uint32_t blocks_in_use = 0;  // blocks holding at least one programmed page
};

struct BankPosition {
    bool present = false;
    NandChip chips[2];
};

// Identical chip-page contents are stored once. A content is the bytes a
// program put on the chip page, trailing 0xFF removed.
struct PageContents {
    std::unordered_map<std::string, uint32_t> index;
    std::vector<const std::string*> by_id;
};

enum class FaultKind : uint32_t {
    link_write_fail = 1,
    link_read_fail,
    blank_check_hang,
    erase_fail,
    program_fail,
    read_differs,
    read_uncorrectable,
    scan_no_chip_bits,
    scan_no_terminator,
    scan_unexpected_bank,
    scan_extra_bad,
    program_no_magic,
    program_bad_state,
    program_errors,
    program_finds_bad,
    timing_errors,
    link_read_differs,
    reopen_fail,
    program_hangs,
    link_transfer_fail,
};

inline constexpr int32_t ANY = -1;

// A fault fires when its kind is asked for at a matching address, once the
// drive has executed `after` command sectors, at most `times` times (0: no
// limit). The meaning of `value` and `column` depends on the kind
// (sim/README.md).
struct Fault {
    FaultKind kind{};
    int32_t bank = ANY;
    int32_t chip = ANY;
    int32_t block = ANY;
    int32_t page = ANY;
    int64_t sector = ANY;
    uint64_t after = 0;
    uint32_t times = 0;
    uint32_t fired = 0;
    uint32_t value = 0;
    uint32_t column = 0;
};

struct Violation {
    uint64_t command;  // number of the command sector being executed, 0 before the first
    std::string what;
};
inline constexpr size_t VIOLATIONS_KEPT = 256;

struct DriveConfig {
    uint32_t build = 1;
    uint32_t sdram_mb = 64;
    bool factory_jumper = true;
    uint32_t pages_per_block = 128;
    uint32_t ctrl_config = 0;
    uint32_t ctrl_config_big = 0;
    uint32_t flash_if_word = 0;
    uint32_t test_program_length = 0;
};

struct Counters {
    uint64_t power_ons = 0;
    uint64_t commands = 0;
    uint64_t sectors_written = 0;
    uint64_t sectors_read = 0;
    uint64_t flash_ops = 0;
    uint64_t programs = 0;
    uint64_t reads = 0;
    uint64_t erases = 0;
    uint64_t syncs = 0;
    uint64_t device_resets = 0;
};

struct UploadedProgram {
    uint32_t runs = 0;
    uint32_t length = 0;
    uint64_t digest = 0;  // FNV-1a 64 of the bytes the drive was told to run
};

enum class DriveMode : uint32_t { locked, factory, test_program, left_factory };

struct FlashOp {
    uint32_t sub_op, bank, options, sdram_addr, byte_count, row_low, row_high;
};

struct PendingBlankCheck {
    uint32_t bank;
    uint64_t due_ms;
    bool hung;
};

struct RawPageAssembly {
    bool open = false;
    uint32_t bank = 0, row_low = 0, row_high = 0, bytes = 0;
    uint8_t data[PAGE_BUFFER_BYTES];
};

struct TestProgramRun {
    bool request_seen = false;
    uint64_t start_ms = 0;
    uint32_t kind = 0, count = 0;
    bool written_back = false;
};

struct FreeDeleter {
    void operator()(uint8_t* p) const {
        std::free(p);
    }
};

// State that does not survive a power cycle.
struct PowerState {
    std::unique_ptr<uint8_t, FreeDeleter> sdram;  // SDRAM_SPAN bytes of cells
    DriveMode mode = DriveMode::locked;
    bool controller_reset = false;
    bool big_ecc = false;
    bool bank_reset[BANK_POSITIONS] = {};
    uint8_t status[BANK_POSITIONS] = {};
    uint8_t page_buffer[PAGE_BUFFER_BYTES];
    RawPageAssembly raw;
    std::vector<FlashOp> queue;
    std::vector<PendingBlankCheck> blank_checks;
    bool scan_pending = false;
    uint64_t scan_due_ms = 0;
    std::vector<uint32_t> scan_result;
    TestProgramRun program;
    uint64_t now_ms = 0;
    uint32_t abort_register = 0;
    bool run_counted = false;  // last_run counts this power cycle
    uint64_t last_transfer_ms = 0;
    uint64_t batch_busy_us[BANK_POSITIONS] = {};  // per bank, of the operations running at once
};

struct Drive {
    DriveConfig config;
    BankPosition banks[BANK_POSITIONS];
    PageContents contents;
    std::vector<Fault> faults;
    Counters counters;
    std::vector<Violation> violations;
    uint64_t violation_count = 0;
    UploadedProgram program;
    std::string boot_verdict;  // of the last device reset (model/verdict.h); empty before one
    RunCost last_run;          // the power cycle under way, or the last one
    PowerState power;
};

// --- drive.cpp
// A new drive of the given build (1 to 5): the build's bank population with
// its part's IDs on every chip, all NAND erased, no factory-bad blocks.
std::unique_ptr<Drive> make_drive(uint32_t build);
void power_on(Drive& drive);
void record_violation(Drive& drive, const std::string& what);
uint32_t pages_per_block(const Drive& drive);

// --- disk.cpp: the factory-mode disk. Offsets and sizes in bytes, whole
// sectors. False is a failed transfer.
bool disk_write(Drive& drive, uint64_t offset, const uint8_t* data, uint32_t bytes);
bool disk_read(Drive& drive, uint64_t offset, uint8_t* data, uint32_t bytes);
// The virtual clock: the drive's timed work completes as time passes.
void set_time(Drive& drive, uint64_t now_ms);

// --- sdram.cpp: SDRAM addresses 0x40000000 and up, aliased by the fitted size.
bool sdram_range_valid(uint32_t address, uint32_t bytes);
void sdram_store(Drive& drive, uint32_t address, const uint8_t* data, uint32_t bytes);
void sdram_load(const Drive& drive, uint32_t address, uint8_t* data, uint32_t bytes);

// --- commands.cpp
void execute_command_sector(Drive& drive);

// --- registers.cpp: CMD_READ_REG and CMD_WRITE_REG addresses. False when
// the address answers nothing (a violation is recorded).
bool read_register(Drive& drive, uint32_t address, uint32_t* value);
bool write_register(Drive& drive, uint32_t address, uint32_t value);

// --- flash_ops.cpp
void execute_flash_op(Drive& drive, const FlashOp& op, bool wait);
void flash_sync(Drive& drive);
void complete_blank_checks(Drive& drive, bool all_due);

// --- nand.cpp: chip-page and bank-page primitives.
// Programs one chip page with `bytes` bytes; false when the chip reports failure.
bool program_chip_page(Drive& drive, uint32_t bank, uint32_t chip, uint32_t block, uint32_t page,
                       const uint8_t* data, uint32_t bytes, uint32_t form);
// Erases one block of one chip; false when the chip reports failure.
bool erase_chip_block(Drive& drive, uint32_t bank, uint32_t chip, uint32_t block);
uint32_t chip_page_entry(const Drive& drive, uint32_t bank, uint32_t chip, uint32_t block, uint32_t page);
// The 4096 bytes of a chip page as stored (raw pages undecoded).
void chip_page_bytes(const Drive& drive, uint32_t entry, uint8_t* out);
bool bank_holds_data(const Drive& drive, uint32_t bank);
// The bank page as the chips hold it, without the controller: raw pages
// undecoded, no faults, no status.
void stored_bank_page(const Drive& drive, uint32_t bank, uint32_t block, uint32_t page, uint8_t* out);
// Reads the first `bytes` of one bank page through the controller into
// `out` (8192 bytes of room); the result is the status byte (0,
// STATUS_ERASED or STATUS_UNCORRECTABLE).
uint8_t read_bank_page(Drive& drive, uint32_t bank, uint32_t block_low, uint32_t block_high, uint32_t page,
                       uint8_t* out, uint32_t bytes);
// Programs one bank page; the result is the status byte (0 or chip failure bits).
uint8_t program_bank_page(Drive& drive, uint32_t bank, uint32_t block_low, uint32_t block_high, uint32_t page,
                          const uint8_t* data, uint32_t bytes, uint32_t form);

// --- page_contents.cpp
uint32_t intern_contents(PageContents& contents, const uint8_t* data, uint32_t bytes);
const std::string& contents_of(const PageContents& contents, uint32_t id);

// --- encoded_sector.cpp: the controller's check of a host-encoded sector.
uint16_t sector_check_word(const uint16_t* scrambled_words);
void sector_parity(const uint16_t* message_words, uint16_t* parity_words);
// True when the 540 bytes are a valid encoded sector (check word and parity).
bool encoded_sector_valid(const uint8_t* sector);

// --- faults.cpp
struct FaultSite {
    int32_t bank = ANY, chip = ANY, block = ANY, page = ANY;
    int64_t sector = ANY;
};
// The fault of this kind that fires here, or null. Counts the firing.
const Fault* fault_fires(Drive& drive, FaultKind kind, const FaultSite& site);
// A link_transfer_fail fault for the disk transfer now asked for: the
// value-th of the power cycle (the first is 1), counting those that went
// through. Counts the firing.
bool transfer_fault_fires(Drive& drive);
const char* fault_kind_name(FaultKind kind);
bool fault_kind_from_name(std::string_view name, FaultKind* kind);

// --- scan.cpp
void start_initial_bad_block_scan(Drive& drive, uint32_t bank_map);
void settle_scan(Drive& drive);

// --- test_program.cpp
// The digest recorded for an uploaded program (FNV-1a 64).
uint64_t program_digest(const uint8_t* bytes, uint32_t length);
void start_test_program(Drive& drive, uint32_t address, uint32_t length);
void test_program_saw_write(Drive& drive, uint64_t offset, uint32_t bytes);
void test_program_refresh(Drive& drive);

// --- run_cost.cpp: counting for last_run. A run starts with the first
// transfer of a power cycle; the time between transfers is the tool's wait.
void count_transfer(Drive& drive);
void count_command(Drive& drive, uint32_t opcode);
void count_nand(Drive& drive, uint32_t bank, NandKind kind, uint32_t bytes);
// The operations counted since the last call ran at once, banks in parallel.
void end_nand_batch(Drive& drive);

// --- drive_file.cpp
bool save_drive(const Drive& drive, const std::string& path, std::string* error);
std::unique_ptr<Drive> load_drive(const std::string& path, std::string* error);

}  // namespace sim

// The drive-side flash test program. CMD_RUN_PROGRAM starts it from the data
// window; it then waits for its request (sectors 1025 to 1027, after the
// initial tables at sectors 1 to 512 and the runtime tables at 513 to 1024),
// checks the whole upload, and keeps its status record at sector 2048,
// advancing with the clock: a
// NAND flash test runs erase, program and read phases for each of its count
// of cycles; a timing test runs its count of read cycles. A finished NAND
// flash test writes every populated bank's runtime table, with the bad blocks
// it found, to block zero page 3.
#include <cstdio>
#include <cstring>

#include "little_endian.h"
#include "model/block_zero_formats.h"
#include "model/drive.h"

namespace sim {

namespace {

constexpr uint32_t INITIAL_TABLES_SECTOR = 1;
constexpr uint32_t REQUEST_SECTOR = 1025;
constexpr uint32_t LAST_UPLOAD_SECTOR = 1027;
constexpr uint32_t RUNTIME_TABLES_SECTOR = 513;
constexpr uint32_t REQUEST_SECTORS = 3;
constexpr uint32_t RECORD_WORDS = 263;
constexpr uint32_t MAGIC = 0x77665544;
constexpr uint32_t COMPLETE = 0x7777;
constexpr uint32_t LAST_BLOCK = 8191;
constexpr uint32_t NAND_FLASH_TEST = 1;
constexpr uint32_t TIMING_TEST = 2;
constexpr uint32_t READ_FAILURE_TYPE = 3;

uint32_t upload_address(uint32_t sector) {
    return SDRAM_BASE + sector * SECTOR;
}

uint32_t phase_ms(const TestProgramRun& run) {
    return run.kind == TIMING_TEST ? TEST_PHASE_MS / 2 : TEST_PHASE_MS;
}

uint32_t phase_count(const TestProgramRun& run) {
    const uint32_t cycles = run.count == 0 ? 1 : run.count;
    return run.kind == TIMING_TEST ? cycles : 3 * cycles;
}

// The bad blocks the test finds: program_finds_bad faults of populated banks.
uint32_t found_blocks(Drive& drive, uint32_t bank, uint32_t* entries, uint32_t capacity) {
    uint32_t found = 0;
    for (const Fault& fault : drive.faults) {
        if (fault.kind != FaultKind::program_finds_bad || fault.block < 0 ||
            drive.counters.commands < fault.after ||
            (fault.bank != ANY && static_cast<uint32_t>(fault.bank) != bank) || !drive.banks[bank].present) {
            continue;
        }
        const uint32_t mask = fault.chip == ANY ? 3 : 1u << fault.chip;
        const uint32_t type = fault.value == 0 ? READ_FAILURE_TYPE : fault.value;
        if (found < capacity) {
            entries[found] = static_cast<uint32_t>(fault.block) | (mask << 16) | (type << 24);
        }
        ++found;
    }
    return found;
}

uint32_t total_found(Drive& drive) {
    uint32_t entries[1];
    uint32_t total = 0;
    for (uint32_t bank = 0; bank < BANK_POSITIONS; ++bank) {
        total += found_blocks(drive, bank, entries, 0);
    }
    return total;
}

void add_entry(uint8_t* table, uint32_t packed) {
    const uint32_t count = load_le32(table + 12);
    for (uint32_t i = 0; i < count; ++i) {
        if ((load_le32(table + 16 + 4 * i) & 0x00FFFFFF) == (packed & 0x00FFFFFF)) {
            return;
        }
    }
    if (count < RUNTIME_LIST_ENTRIES_MAX) {
        store_le32(table + 16 + 4 * count, packed);
        store_le32(table + 12, count + 1);
    }
}

void write_runtime_tables(Drive& drive) {
    for (uint32_t bank = 0; bank < BANK_POSITIONS; ++bank) {
        if (!drive.banks[bank].present) {
            continue;
        }
        uint8_t table[BANK_PAGE_BYTES];
        sdram_load(drive, upload_address(RUNTIME_TABLES_SECTOR) + bank * BANK_PAGE_BYTES, table,
                   BANK_PAGE_BYTES);
        store_le32(table, RUNTIME_LIST_MAGIC_0);
        store_le32(table + 4, RUNTIME_LIST_MAGIC_1);
        uint32_t entries[RUNTIME_LIST_ENTRIES_MAX];
        const uint32_t found = found_blocks(drive, bank, entries, RUNTIME_LIST_ENTRIES_MAX);
        for (uint32_t i = 0; i < found && i < RUNTIME_LIST_ENTRIES_MAX; ++i) {
            add_entry(table, entries[i]);
        }
        if (program_bank_page(drive, bank, 0, 0, 3, table, BANK_PAGE_BYTES, 0) != 0) {
            char text[96];
            std::snprintf(text, sizeof text, "test program could not write block zero page 3 of bank %u",
                          bank);
            record_violation(drive, text);
        }
    }
}

void fill_timing_results(Drive& drive, uint32_t* record) {
    for (const Fault& fault : drive.faults) {
        if (fault.kind == FaultKind::timing_errors && fault.bank >= 0 && fault.bank < 32 &&
            fault.column < 8) {
            // Columns 0-3: correctable R, 1, 2, 3; 4-7: uncorrectable R, 1, 2, 3.
            record[7 + 32 * fault.column + static_cast<uint32_t>(fault.bank)] = fault.value;
        }
    }
}

// The scan list uploaded for every bank that holds one in block zero page 0
// must be that page: the station has just written it there.
void check_initial_tables(Drive& drive) {
    for (uint32_t bank = 0; bank < BANK_POSITIONS; ++bank) {
        if (!drive.banks[bank].present || (chip_page_entry(drive, bank, LOW, 0, 0) & PAGE_PROGRAMMED) == 0) {
            continue;
        }
        uint8_t stored[BANK_PAGE_BYTES];
        uint8_t uploaded[BANK_PAGE_BYTES];
        stored_bank_page(drive, bank, 0, 0, stored);
        sdram_load(drive, upload_address(INITIAL_TABLES_SECTOR) + bank * BANK_PAGE_BYTES, uploaded,
                   BANK_PAGE_BYTES);
        if (std::memcmp(stored, uploaded, BANK_PAGE_BYTES) != 0) {
            char text[96];
            std::snprintf(text, sizeof text, "test program: uploaded scan list of bank %u is not its page 0",
                          bank);
            record_violation(drive, text);
        }
    }
}

// The station sends its uploads from one buffer and writes the request over
// the start of the runtime tables it has just sent: behind the record, the
// request's sectors hold what the runtime tables' first sectors held.
void check_request_sectors(Drive& drive) {
    constexpr uint32_t RECORD_BYTES = 4 * RECORD_WORDS;
    constexpr uint32_t TAIL_BYTES = REQUEST_SECTORS * SECTOR - RECORD_BYTES;
    uint8_t request_tail[TAIL_BYTES];
    uint8_t tables_tail[TAIL_BYTES];
    sdram_load(drive, upload_address(REQUEST_SECTOR) + RECORD_BYTES, request_tail, TAIL_BYTES);
    sdram_load(drive, upload_address(RUNTIME_TABLES_SECTOR) + RECORD_BYTES, tables_tail, TAIL_BYTES);
    if (std::memcmp(request_tail, tables_tail, TAIL_BYTES) != 0) {
        record_violation(drive, "test program: request sectors do not end as the runtime tables began");
    }
}

}  // namespace

uint64_t program_digest(const uint8_t* bytes, uint32_t length) {
    uint64_t hash = 0xCBF29CE484222325ull;
    for (uint32_t i = 0; i < length; ++i) {
        hash = (hash ^ bytes[i]) * 0x100000001B3ull;
    }
    return hash;
}

void start_test_program(Drive& drive, uint32_t address, uint32_t length) {
    if (address != DATA_WINDOW || length != drive.config.test_program_length) {
        char text[128];
        std::snprintf(text, sizeof text, "program of %u bytes at %08X is not this drive's test program",
                      length, address);
        record_violation(drive, text);
        return;
    }
    std::vector<uint8_t> program(length);
    sdram_load(drive, address, program.data(), length);
    drive.program.runs += 1;
    drive.program.length = length;
    drive.program.digest = program_digest(program.data(), length);
    drive.power.mode = DriveMode::test_program;
    drive.power.program = TestProgramRun{};
}

void test_program_saw_write(Drive& drive, uint64_t offset, uint32_t bytes) {
    TestProgramRun& run = drive.power.program;
    const uint64_t last = uint64_t{LAST_UPLOAD_SECTOR} * SECTOR;
    if (run.request_seen || offset > last || offset + bytes <= last) {
        return;
    }
    uint8_t request[8];
    sdram_load(drive, upload_address(REQUEST_SECTOR), request, sizeof request);
    run.kind = load_le32(request);
    run.count = load_le32(request + 4);
    run.request_seen = true;
    run.start_ms = drive.power.now_ms;
    if (run.kind != NAND_FLASH_TEST && run.kind != TIMING_TEST) {
        char text[64];
        std::snprintf(text, sizeof text, "test program request of unknown kind %u", run.kind);
        record_violation(drive, text);
    }
    check_initial_tables(drive);
    check_request_sectors(drive);
}

void test_program_refresh(Drive& drive) {
    TestProgramRun& run = drive.power.program;
    if (!run.request_seen) {
        return;
    }
    const uint64_t elapsed = drive.power.now_ms - run.start_ms;
    // A hung program leaves its last status as it was.
    const Fault* hang = fault_fires(drive, FaultKind::program_hangs, {});
    if (hang != nullptr && elapsed >= hang->value) {
        return;
    }
    const uint64_t phase = elapsed / phase_ms(run);
    const bool complete = phase >= phase_count(run);
    uint32_t record[RECORD_WORDS] = {run.kind, run.count, MAGIC};
    const Fault* bad_state = fault_fires(drive, FaultKind::program_bad_state, {});
    if (fault_fires(drive, FaultKind::program_no_magic, {})) {
        record[2] = 0;
    }
    if (run.kind == TIMING_TEST) {
        record[3] = complete ? COMPLETE : 2;
        record[6] = static_cast<uint32_t>(complete ? phase_count(run) : phase + 1);
        fill_timing_results(drive, record);
    } else {
        record[3] = complete ? COMPLETE : static_cast<uint32_t>(phase % 3);
        const Fault* counted = fault_fires(drive, FaultKind::program_errors, {});
        const uint32_t found = total_found(drive) + (counted ? counted->value : 0);
        record[5] = complete ? found : static_cast<uint32_t>(found * phase / phase_count(run));
    }
    record[4] =
        complete ? LAST_BLOCK : static_cast<uint32_t>(elapsed % phase_ms(run) * LAST_BLOCK / phase_ms(run));
    if (bad_state) {
        record[3] = bad_state->value;
    }
    uint8_t bytes[RECORD_WORDS * 4];
    for (uint32_t n = 0; n < RECORD_WORDS; ++n) {
        store_le32(bytes + 4 * n, record[n]);
    }
    sdram_store(drive, DATA_WINDOW, bytes, sizeof bytes);
    if (complete && run.kind == NAND_FLASH_TEST && !run.written_back) {
        run.written_back = true;
        write_runtime_tables(drive);
    }
}

}  // namespace sim

#include <gtest/gtest.h>

#include "drive_fixture.h"

namespace sim::testing {
namespace {

constexpr uint32_t REFERENCE_BANK_MAP = 0x0F0F;

void start_scan(Drive& drive) {
    Words w = command(CMD_SCAN_INITIAL_BAD);
    w[6] = 4;
    w[7] = 0x1000;
    w[18] = REFERENCE_BANK_MAP;
    w[19] = 128;
    w[20] = 7;
    w[21] = 0x2000;
    w[22] = 1;
    send(drive, w);
}

std::vector<uint32_t> scan_words(Drive& drive, uint32_t count) {
    const std::vector<uint8_t> bytes = read_disk(drive, 0x100000, 200 * SECTOR);
    std::vector<uint32_t> words(count);
    for (uint32_t n = 0; n < count; ++n) {
        words[n] = load_le32(bytes.data() + 4 * n);
    }
    return words;
}

TEST(InitialScan, ResultAppearsOnlyOnceTheScanTimeHasPassed) {
    std::unique_ptr<Drive> drive = ready_drive();
    drive->banks[0].chips[HIGH].blocks[0x123].factory_bad = true;
    drive->banks[0].chips[LOW].blocks[0x123].factory_bad = true;
    drive->banks[9].chips[LOW].blocks[77].factory_bad = true;
    write_window(*drive, std::vector<uint8_t>(SECTOR, 0xAA));
    start_scan(*drive);
    EXPECT_EQ(scan_words(*drive, 1)[0], 0xAAAAAAAAu);

    set_time(*drive, SCAN_MS);
    EXPECT_EQ(scan_words(*drive, 5), (std::vector<uint32_t>{2, 0, 0xC0000123, 0x49000000 | 77, 0xFFFFFFFF}));
    EXPECT_EQ(drive->violation_count, 0u);
}

TEST(InitialScan, CommandsDuringTheScanAreViolations) {
    std::unique_ptr<Drive> drive = ready_drive();
    start_scan(*drive);
    send(*drive, command(CMD_FLASH_SYNC));
    EXPECT_EQ(drive->violation_count, 1u);
}

TEST(InitialScan, FaultsMalformTheResult) {
    struct Case {
        Fault fault;
        std::vector<uint32_t> words;
    };
    const Case cases[] = {
        {{.kind = FaultKind::scan_no_chip_bits, .bank = 1, .block = 9}, {1, 0, 0x01000009, 0xFFFFFFFF}},
        {{.kind = FaultKind::scan_no_terminator}, {0, 0, 0}},
        {{.kind = FaultKind::scan_unexpected_bank, .bank = 5, .block = 3}, {1, 0, 0x45000003, 0xFFFFFFFF}},
        {{.kind = FaultKind::scan_extra_bad, .bank = 2, .value = 2},
         {2, 0, 0x42000001, 0x42000002, 0xFFFFFFFF}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(fault_kind_name(c.fault.kind));
        std::unique_ptr<Drive> drive = ready_drive();
        drive->faults.push_back(c.fault);
        start_scan(*drive);
        set_time(*drive, SCAN_MS);
        EXPECT_EQ(scan_words(*drive, static_cast<uint32_t>(c.words.size())), c.words);
    }
}

constexpr uint32_t TABLE_SECTORS = 1024;
constexpr uint32_t REQUEST_SECTORS = 3;
constexpr uint32_t RECORD_BYTES = 263 * 4;

void start_program(Drive& drive, uint8_t program_byte) {
    write_window(drive, std::vector<uint8_t>(10 * SECTOR, program_byte));
    Words w = command(CMD_RUN_PROGRAM);
    w[5] = DATA_WINDOW;
    w[6] = drive.config.test_program_length;
    send(drive, w);
}

// The initial then the runtime tables (sectors 1 to 1024), then the request.
void upload(Drive& drive, const std::vector<uint8_t>& tables, const std::vector<uint8_t>& request) {
    disk_write(drive, SECTOR, tables.data(), static_cast<uint32_t>(tables.size()));
    disk_write(drive, 1025 * SECTOR, request.data(), static_cast<uint32_t>(request.size()));
}

// A request as a station sends it from its one upload buffer: the record over
// the start of the runtime tables it has just sent.
std::vector<uint8_t> request_over(const std::vector<uint8_t>& tables, uint32_t kind, uint32_t count) {
    const auto runtime = tables.begin() + 512 * SECTOR;
    std::vector<uint8_t> request(runtime, runtime + REQUEST_SECTORS * SECTOR);
    std::fill(request.begin(), request.begin() + RECORD_BYTES, 0);
    store_le32(request.data(), kind);
    store_le32(request.data() + 4, count);
    return request;
}

// The station's side of the drive-side test: program, tables, request.
void run_test_program(Drive& drive, uint32_t kind, uint32_t count, uint8_t program_byte = 0x5C) {
    start_program(drive, program_byte);
    const std::vector<uint8_t> tables(TABLE_SECTORS * SECTOR, 0);
    upload(drive, tables, request_over(tables, kind, count));
}

std::vector<uint32_t> status_record(Drive& drive) {
    const std::vector<uint8_t> bytes = read_disk(drive, 0x100000, 3 * SECTOR);
    std::vector<uint32_t> words(263);
    for (uint32_t n = 0; n < 263; ++n) {
        words[n] = load_le32(bytes.data() + 4 * n);
    }
    return words;
}

TEST(TestProgram, NandFlashTestStepsThroughItsStatesAndWritesPageThree) {
    std::unique_ptr<Drive> drive = ready_drive();
    drive->faults.push_back(
        {.kind = FaultKind::program_finds_bad, .bank = 8, .chip = HIGH, .block = 300, .value = 2});
    run_test_program(*drive, 1, 1);
    std::vector<uint32_t> states;
    for (uint64_t t = 0; t <= 3 * TEST_PHASE_MS; t += TEST_PHASE_MS) {
        set_time(*drive, t + 1);
        const std::vector<uint32_t> record = status_record(*drive);
        EXPECT_EQ(record[2], 0x77665544u);
        states.push_back(record[3]);
    }
    EXPECT_EQ(states, (std::vector<uint32_t>{0, 1, 2, 0x7777}));
    EXPECT_EQ(status_record(*drive)[5], 1u);

    send(*drive, enable_sector());
    reset_controller(*drive, false);
    const std::vector<uint8_t> page3 = read_page(*drive, 8, 3, 8192);
    EXPECT_EQ(load_le32(page3.data()), 0x39FB0248u);
    EXPECT_EQ(load_le32(page3.data() + 12), 1u);
    EXPECT_EQ(load_le32(page3.data() + 16), 300u | (2u << 16) | (2u << 24));
    EXPECT_EQ(load_le32(read_page(*drive, 0, 3, 8192).data() + 12), 0u);
    EXPECT_EQ(drive->program.runs, 1u);
    EXPECT_EQ(drive->violation_count, 0u);
}

TEST(TestProgram, DigestTellsWhichProgramWasSent) {
    std::unique_ptr<Drive> one = ready_drive(), other = ready_drive();
    run_test_program(*one, 1, 1, 0x11);
    run_test_program(*other, 1, 1, 0x12);
    EXPECT_NE(one->program.digest, other->program.digest);
    EXPECT_EQ(one->program.length, 4660u);
}

TEST(TestProgram, FaultsChangeWhatItAnswers) {
    struct Case {
        Fault fault;
        uint32_t word, expected;
    };
    const Case cases[] = {
        {{.kind = FaultKind::program_no_magic}, 2, 0},
        {{.kind = FaultKind::program_bad_state, .value = 4}, 3, 4},
        {{.kind = FaultKind::program_errors, .value = 12}, 5, 12},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(fault_kind_name(c.fault.kind));
        std::unique_ptr<Drive> drive = ready_drive();
        drive->faults.push_back(c.fault);
        run_test_program(*drive, 1, 1);
        set_time(*drive, 3 * TEST_PHASE_MS);
        EXPECT_EQ(status_record(*drive)[c.word], c.expected);
    }
}

TEST(TestProgram, TimingTestReportsReadCyclesAndConfiguredCounts) {
    std::unique_ptr<Drive> drive = ready_drive();
    drive->faults.push_back({.kind = FaultKind::timing_errors, .bank = 9, .value = 17, .column = 6});
    run_test_program(*drive, 2, 3);
    set_time(*drive, TEST_PHASE_MS / 2 + 1);
    EXPECT_EQ(status_record(*drive)[3], 2u);
    EXPECT_EQ(status_record(*drive)[6], 2u);
    set_time(*drive, 3 * TEST_PHASE_MS / 2);
    const std::vector<uint32_t> record = status_record(*drive);
    EXPECT_EQ(record[3], 0x7777u);
    EXPECT_EQ(record[199 + 9], 17u);  // uncorrectable, column 2
}

// The program checks what it was given: every scan list that block zero page
// 0 holds, and a request that ends as the runtime tables began.
TEST(TestProgram, UploadIsCheckedAgainstBlockZeroAndTheRuntimeTables) {
    std::vector<uint8_t> scan_list(BANK_PAGE_BYTES, 0);
    store_le16(scan_list.data(), 1);
    store_le16(scan_list.data() + 2, 77);
    std::vector<uint8_t> tables(TABLE_SECTORS * SECTOR, 0);
    std::copy(scan_list.begin(), scan_list.end(), tables.begin() + 9 * BANK_PAGE_BYTES);
    for (uint32_t byte = 0; byte < BANK_PAGE_BYTES; ++byte) {
        tables[512 * SECTOR + byte] = static_cast<uint8_t>(byte * 7);
    }
    const struct {
        const char* what;
        uint32_t changed_byte;  // in the tables then the request, 0: none
        const char* violation;
    } cases[] = {
        {"as sent from one buffer", 0, nullptr},
        {"a scan list that is not page 0", 9 * BANK_PAGE_BYTES + 3, "uploaded scan list of bank 9"},
        {"a request over other bytes", TABLE_SECTORS * SECTOR + RECORD_BYTES + 5, "request sectors"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        std::unique_ptr<Drive> drive = ready_drive();
        ASSERT_EQ(program_bank_page(*drive, 9, 0, 0, 0, scan_list.data(), BANK_PAGE_BYTES, 0), 0);
        start_program(*drive, 0x5C);
        std::vector<uint8_t> sent = tables;
        const std::vector<uint8_t> request = request_over(tables, 1, 0);
        sent.insert(sent.end(), request.begin(), request.end());
        if (c.changed_byte != 0) {
            sent[c.changed_byte] ^= 1;
        }
        upload(*drive, std::vector<uint8_t>(sent.begin(), sent.begin() + TABLE_SECTORS * SECTOR),
               std::vector<uint8_t>(sent.begin() + TABLE_SECTORS * SECTOR, sent.end()));
        const std::string first = drive->violations.empty() ? "" : drive->violations[0].what;
        EXPECT_EQ(drive->violation_count, c.violation == nullptr ? 0u : 1u) << first;
        if (c.violation != nullptr) {
            EXPECT_NE(first.find(c.violation), std::string::npos) << first;
        }
    }
}

TEST(TestProgram, CommandsWhileItRunsAreViolations) {
    std::unique_ptr<Drive> drive = ready_drive();
    run_test_program(*drive, 1, 1);
    send(*drive, command(CMD_FLASH_SYNC));
    EXPECT_EQ(drive->violation_count, 1u);
}

}  // namespace
}  // namespace sim::testing

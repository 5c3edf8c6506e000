#include <cstdint>
#include <cstdio>

#include "codec/random.h"
#include "host_actions/controller_actions.h"
#include "host_main/console.h"
#include "host_main/fatal_error.h"
#include "host_main/run_allocation.h"
#include "host_main/station_log.h"
#include "host_mass_production/drive_path.h"
#include "run_state/run_buffers.h"
#include "host_mass_production/stages.h"
#include "run_state/work_block.h"
#include "little_endian.h"
#include "platform/disk.h"
#include "platform/memory.h"

namespace {

constexpr uint32_t EXPECTED_SDRAM_CODE = SDRAM_64_MB;
constexpr int EXPECTED_SDRAM_MB = 64;
constexpr int SDRAM_MB_OF_CODE[] = {16, 32, 64};

// The whole factory-mode disk behind the command sector, which stays alone.
constexpr uint64_t TEST_AREA_START_BYTE = SECTOR_BYTES;
constexpr uint32_t TEST_AREA_SECTORS = 127099;
constexpr uint32_t SECTORS_PER_TRANSFER = 128;
constexpr uint32_t WORDS_PER_SECTOR = SECTOR_BYTES / 4;
constexpr uint32_t PATTERN_WORDS = SECTORS_PER_TRANSFER * WORDS_PER_SECTOR;
constexpr uint32_t PASSES = 5;

// A drive in factory mode presents its SDRAM as the disk: at least the area
// this test covers, at most the 64 MiB fitted. Any other disk (a station
// disk, a stick, a drive in normal mode) is not ours to write.
constexpr uint64_t FACTORY_MODE_DISK_MIN_BYTES =
    TEST_AREA_START_BYTE + uint64_t{TEST_AREA_SECTORS} * SECTOR_BYTES;
constexpr uint64_t FACTORY_MODE_DISK_MAX_BYTES = 64ull << 20;

// The failure's console line in the error colour, then its fail record.
void report_failure(const char* console_line, const char* record) {
    set_error_colour();
    std::printf("%s", console_line);
    restore_colour();
    station_log_write(STATUS_FAIL, 0, 1, "%s", record);
}

// The console line names the drive path, the record the drive number.
void report_open_failure(const char* console_format, const char* record_format, const char* path,
                         uint32_t drive_number) {
    char console_line[100];
    char record[100];
    std::snprintf(console_line, sizeof console_line, console_format, path);
    std::snprintf(record, sizeof record, record_format, static_cast<int>(drive_number));
    report_failure(console_line, record);
}

// Before the first write: a disk whose size cannot be told is refused too.
void check_factory_mode_disk(const char* path, uint32_t drive_number) {
    uint64_t bytes = 0;
    if (!platform::disk_size(work->drive, &bytes) || bytes < FACTORY_MODE_DISK_MIN_BYTES ||
        bytes > FACTORY_MODE_DISK_MAX_BYTES) {
        report_open_failure("ERROR: target drive %s is not a drive in factory mode\n",
                            "Target drive is not a drive in factory mode.\nTarget drive number = %d\n", path,
                            drive_number);
        FATAL_ERROR();
    }
}

// What disk_open answered instead of a drive, and how the run ends then.
struct OpenFailure {
    platform::DiskHandle answer;
    const char* console_format;
    const char* record_format;
};

constexpr OpenFailure OPEN_FAILURES[] = {
    {platform::REFUSED_DISK_HANDLE, "ERROR: target drive %s is in use by this station\n",
     "Target drive is in use by this station.\nTarget drive number = %d\n"},
    {platform::BUSY_DISK_HANDLE, "ERROR: target drive %s is in use by another production run\n",
     "Target drive is in use by another production run.\nTarget drive number = %d\n"},
    {platform::INVALID_DISK_HANDLE, "ERROR: cannot open target drive %s\n",
     "Cannot open target drive.\nTarget drive number = %d\n"},
};

void open_drive(uint32_t drive_number) {
    char path[DRIVE_PATH_CHARS];
    format_drive_path(drive_number, path);
    work->drive = platform::disk_open(path);
    for (const OpenFailure& failure : OPEN_FAILURES) {
        if (work->drive == failure.answer) {
            report_open_failure(failure.console_format, failure.record_format, path, drive_number);
            FATAL_ERROR();
        }
    }
    check_factory_mode_disk(path, drive_number);
}

void check_sdram_size(uint32_t drive_number, uint32_t size_code) {
    std::printf("Size of SDRAM is %d MB\n", SDRAM_MB_OF_CODE[size_code]);
    if (size_code != EXPECTED_SDRAM_CODE) {
        char console_line[80];
        char record[100];
        std::snprintf(console_line, sizeof console_line,
                      "ERROR: SDRAM size is different from set value (%d MB)\n", EXPECTED_SDRAM_MB);
        std::snprintf(record, sizeof record,
                      "SDRAM size is different from set value (%d MB).\nTarget drive number = %d\n",
                      EXPECTED_SDRAM_MB, static_cast<int>(drive_number));
        report_failure(console_line, record);
        FATAL_ERROR();
    }
}

void allocate_test_buffer() {
    test_buffer = ALLOCATE_RUN_BUFFER(TEST_BUFFER_BYTES);
}

// One pattern per transfer: two 16-bit draws, the first in the high half.
uint32_t next_pattern() {
    const auto high = static_cast<uint32_t>(random_range(0, 0xFFFF));
    const auto low = static_cast<uint32_t>(random_range(0, 0xFFFF));
    return high << 16 | low;
}

void fill_with_pattern(uint32_t pattern) {
    for (uint32_t i = 0; i < PATTERN_WORDS; ++i) {
        store_le32(test_buffer + 4 * i, pattern);
    }
}

bool holds_pattern(uint32_t words, uint32_t pattern) {
    uint32_t differences = 0;
    for (uint32_t i = 0; i < words; ++i) {
        differences |= load_le32(test_buffer + 4 * i) ^ pattern;
    }
    return differences == 0;
}

void write_patterns(uint32_t pass) {
    random_init(pass);
    platform::disk_set_position(work->drive, TEST_AREA_START_BYTE);
    for (uint32_t remaining = TEST_AREA_SECTORS; remaining > 0;) {
        fill_with_pattern(next_pattern());
        const uint32_t sectors = remaining < SECTORS_PER_TRANSFER ? remaining : SECTORS_PER_TRANSFER;
        remaining -= sectors;
        if (!platform::disk_write(work->drive, test_buffer, sectors * SECTOR_BYTES)) {
            report_failure("ERROR: SATA/SDRAM test failure (WRITE protocol error)\n", "WRITE protocol error");
            FATAL_ERROR();
        }
    }
}

void read_back_patterns(uint32_t pass) {
    random_init(pass);
    platform::disk_set_position(work->drive, TEST_AREA_START_BYTE);
    for (uint32_t remaining = TEST_AREA_SECTORS; remaining > 0;) {
        const uint32_t pattern = next_pattern();
        const uint32_t sectors = remaining < SECTORS_PER_TRANSFER ? remaining : SECTORS_PER_TRANSFER;
        remaining -= sectors;
        if (!platform::disk_read(work->drive, test_buffer, sectors * SECTOR_BYTES)) {
            report_failure("ERROR: SATA/SDRAM test failure (READ protocol error)\n", "READ protocol error");
            FATAL_ERROR();
        }
        if (!holds_pattern(sectors * WORDS_PER_SECTOR, pattern)) {
            report_failure("ERROR: SATA/SDRAM test failure (data corruption)\n", "Data corruption error");
            FATAL_ERROR();
        }
    }
}

}  // namespace

void sata_sdram_test(uint32_t drive_number) {
    open_drive(drive_number);
    enable_factory_mode(EXPECTED_SDRAM_CODE);
    const uint32_t size_code = probe_sdram_size();
    check_sdram_size(drive_number, size_code);
    enable_factory_mode(size_code);
    allocate_test_buffer();
    // The transfers go straight to the drive handle: no command is executed
    // and the generator is not reseeded between the halves of a pass.
    for (uint32_t pass = 1; pass <= PASSES; ++pass) {
        std::printf("SATA/SDRAM test %u%%\r", 20 * pass);
        std::fflush(stdout);
        write_patterns(pass);
        read_back_patterns(pass);
    }
}

// What the drive-side test program shows the tool: the status records it
// writes at sector 2048 while it runs and, after a timing test, the rest of
// its last record behind them. Bit 0 of the first byte is the run's
// timing-test flag; the bytes after it are the program's records, one sector
// each: every status read finds the next, until a complete one or the last,
// which the program leaves standing. One that never completes is a hung
// program, which the tool gives up after its stall limit: the fuzz support's
// clock passes those 30 minutes without sleeping.
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <vector>

#include "host_main/command_channel.h"
#include "host_mass_production/flash_test_record.h"
#include "host_mass_production/test_program_status.h"
#include "host_mass_production/timing_report.h"
#include "platform/memory.h"
#include "sector.h"
#include "support/doubles/recording_disk.h"
#include "support/fuzz_run.h"

namespace {

// The status and the two sectors of timing results.
constexpr size_t RECORD_SECTORS = 3;
constexpr size_t LARGEST_INPUT = 1 + 64 * SECTOR_BYTES;

uint8_t* data_buffer = nullptr;
bool timing_test = false;

// After a status read the program has written its next record in the data
// window, unless it has completed or has no more to write.
void write_next_record(DiskTransfer& read) {
    if (read.is_write || read.position != DATA_WINDOW_BYTE ||
        record_word(read.data.data(), RECORD_STATE) == STATE_COMPLETE) {
        return;
    }
    std::vector<uint8_t>& source = recording_disk.read_source;
    uint8_t* window = source.data() + DATA_WINDOW_BYTE;
    const size_t remaining = source.size() - DATA_WINDOW_BYTE;
    if (remaining > SECTOR_BYTES) {
        std::memmove(window, window + SECTOR_BYTES, remaining - SECTOR_BYTES);
        source.resize(source.size() - SECTOR_BYTES);
    }
}

void watch_and_report() {
    recording_disk.after_transfer = write_next_record;
    bool errors_seen = false;
    if (watch_test_program(timing_test, data_buffer, &errors_seen) && timing_test &&
        read_timing_results(data_buffer)) {
        print_timing_report(stdout, data_buffer);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) {
        return -1;
    }
    if (data_buffer == nullptr) {
        data_buffer = static_cast<uint8_t*>(platform::aligned_allocate(RECORD_SECTORS * SECTOR_BYTES));
    }
    timing_test = (data[0] & 1) != 0;
    return run_on_data_window(data + 1, size - 1, LARGEST_INPUT - 1, watch_and_report);
}

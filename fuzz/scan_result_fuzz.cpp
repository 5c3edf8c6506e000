// The initial bad-block scan's result, as the drive leaves it in the data
// window, taken for every expected bank.
#include <cstdint>

#include "host_actions/bank_geometry.h"
#include "host_mass_production/initial_scan.h"
#include "platform/memory.h"
#include "sector.h"
#include "support/fuzz_run.h"

namespace {

uint8_t* result_buffer = nullptr;

void scan_every_expected_bank() {
    BankSelection selected = {};
    for (uint32_t bank = 0; bank < BANK_POSITIONS; ++bank) {
        selected[bank] = is_expected_bank(bank) ? 1 : 0;
    }
    scan_initial_bad_blocks(result_buffer, selected);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (result_buffer == nullptr) {
        result_buffer = static_cast<uint8_t*>(platform::aligned_allocate(SCAN_RESULT_SECTORS * SECTOR_BYTES));
    }
    return run_on_data_window(data, size, SCAN_RESULT_SECTORS * SECTOR_BYTES, scan_every_expected_bank);
}

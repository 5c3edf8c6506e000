// The chip ID words every bank position answers in the module test.
#include <cstdint>

#include "run_state/run_buffers.h"
#include "host_mass_production/stages.h"
#include "run_state/work_block.h"
#include "platform/memory.h"
#include "sector.h"
#include "support/fuzz_run.h"

namespace {

// The module test finds the drive not yet initialized.
void identify_banks() {
    work->initialized = 0;
    module_test(false);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // The SATA/SDRAM test before leaves its buffer for the later stages.
    if (test_buffer == nullptr) {
        test_buffer = static_cast<uint8_t*>(platform::aligned_allocate(TEST_BUFFER_BYTES));
    }
    return run_on_data_window(data, size, SECTOR_BYTES, identify_banks);
}

// The chip ID words every bank position answers in the module test.
#include <cstdint>

#include "host_mass_production/run_buffers.h"
#include "host_mass_production/stages.h"
#include "host_mass_production/work_block.h"
#include "platform/memory.h"
#include "support/fuzz_run.h"

namespace {

void identify_banks() {
    module_test(false);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > 512) {
        return -1;
    }
    start_fuzz_run();
    work->initialized = 0;
    // The SATA/SDRAM test before leaves its buffer for the later stages.
    if (test_buffer == nullptr) {
        test_buffer = static_cast<uint8_t*>(platform::aligned_allocate(TEST_BUFFER_BYTES));
    }
    serve_at_data_window(data, size);
    run_to_fatal_end(identify_banks);
    return 0;
}

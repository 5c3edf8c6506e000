// The stamp an earlier production left on block-zero page 4.
#include <cstdint>

#include "host_actions/bank_geometry.h"
#include "host_actions/stamp_reader.h"
#include "host_mass_production/work_block.h"
#include "support/fuzz_run.h"

namespace {

void read_back_stamp() {
    read_stamp(work->stamp_copy);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > BANK_PAGE_BYTES) {
        return -1;
    }
    start_fuzz_run();
    serve_at_data_window(data, size);
    run_to_fatal_end(read_back_stamp);
    return 0;
}

// The stamp an earlier production left on block-zero page 4.
#include <cstdint>

#include "host_actions/bank_geometry.h"
#include "host_actions/stamp_reader.h"
#include "run_state/work_block.h"
#include "support/fuzz_run.h"

namespace {

void read_back_stamp() {
    read_stamp(work->stamp_copy);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    return run_on_data_window(data, size, BANK_PAGE_BYTES, read_back_stamp);
}

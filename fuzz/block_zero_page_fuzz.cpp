// A reworked drive's block zero: every page the tool reads back (the stored
// scan list, the runtime list and the bad-block records) holds the fuzzed
// page, merged into the bank tables of every expected bank.
#include <cstdint>

#include "host_actions/bad_block_lists.h"
#include "host_actions/bank_geometry.h"
#include "support/fuzz_run.h"

namespace {

void load_stored_tables() {
    find_scan_lists(true);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    return run_on_data_window(data, size, BANK_PAGE_BYTES, load_stored_tables);
}

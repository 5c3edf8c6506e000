// The rework erase of a whole reference-build drive: 8190 block numbers, each
// with an erase to every one of the 8 banks, a sync and the eight status
// reads, against a drive that takes every transfer at once and reports every
// erase clean. What remains is the host's own work per command. Each bank
// carries a full list of known bad blocks, as a worn drive would.
#include <benchmark/benchmark.h>

#include <cstdint>

#include "host_actions/bad_block_lists.h"
#include "host_actions/initial_bb_list.h"
#include "host_mass_production/rework_erase.h"
#include "run_state/work_block.h"
#include "platform/disk.h"
#include "platform/memory.h"

namespace {

constexpr uint32_t COMMANDS_PER_BLOCK = BUILD_NUM_BANKS + 1 + 8;

void fill_lists() {
    for (uint32_t bank = 0; bank < BANK_POSITIONS; ++bank) {
        work->scan_list_found[bank] = 1;
        for (uint16_t block = 0; block < INITIAL_BB_MAX_ENTRIES; ++block) {
            append_initial_bb_entry(work->initial_bb_list[bank],
                                    {static_cast<uint16_t>(2 * block + 1), true});
        }
        for (uint16_t block = 0; block < 2044; ++block) {
            add_runtime_bad_block(bank, 1, 2, static_cast<uint16_t>(4 * block + 2));
        }
    }
}

void BM_ReworkErase(benchmark::State& state) {
    work = static_cast<WorkBlock*>(platform::pages_allocate(sizeof(WorkBlock)));
    work->drive = platform::disk_open("");
    fill_lists();
    BankSelection none_blank = {};
    for (auto _ : state) {
        erase_for_rework(none_blank);
    }
    platform::pages_release(work, sizeof(WorkBlock));
    work = nullptr;
    state.SetItemsProcessed(state.iterations() * int64_t{8190} * COMMANDS_PER_BLOCK);
}
BENCHMARK(BM_ReworkErase)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();

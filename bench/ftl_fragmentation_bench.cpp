// The FTL fragmentation on the host side: the shuffle of the order table,
// one program command per unit through the command channel, and the image
// kept up to date. The drive takes every sector at once, so the figure is the
// tool's own cost. The tool's other large buffers are allocated and touched
// as in a run, so that the process's peak memory can be read beside it.
//
// Beside it, its two parts. The shuffle, next to the same swaps drawn one
// generator call at a time and next to a bare RANROT-W swap loop (the
// generator written out in the loop, no self-test, no prefetch): all three
// must leave the same table. One command, as the fragmentation sends one per
// unit, with the clock standing in one second, and its check pair's draw.
#include <benchmark/benchmark.h>

#include <bit>
#include <cstdio>
#include <cstring>
#include <utility>
#include <vector>

#include "codec/random.h"
#include "host_install/bad_pair_lists.h"
#include "host_install/firmware_context.h"
#include "host_install/ftl_fragmentation.h"
#include "host_install/hil_context.h"
#include "host_install/system_area_layout.h"
#include "host_main/command_channel.h"
#include "host_main/factory_commands.h"
#include "run_state/run_buffers.h"
#include "run_state/work_block.h"
#include "platform/memory.h"

namespace {

uint8_t* touched_buffer(size_t bytes) {
    auto* buffer = static_cast<uint8_t*>(platform::aligned_allocate(bytes));
    std::memset(buffer, 0, bytes);
    return buffer;
}

void fresh_context() {
    std::memset(metadata_buffer, 0, METADATA_IMAGE.total_bytes);
    std::memset(master_info_buffer, 0, MASTER_INFO_BUFFER_BYTES);
    build_bad_pair_lists();
    build_firmware_context();
    release_hil_context();
}

void BM_ftl_fragmentation(benchmark::State& state) {
    work = static_cast<WorkBlock*>(platform::pages_allocate(sizeof(WorkBlock)));
    test_buffer = touched_buffer(TEST_BUFFER_BYTES);
    metadata_buffer = touched_buffer(METADATA_IMAGE.total_bytes);
    master_info_buffer = touched_buffer(MASTER_INFO_BUFFER_BYTES);
    for (auto _ : state) {
        state.PauseTiming();
        fresh_context();
        random_init(1);
        state.ResumeTiming();
        ftl_fragmentation();
    }
    std::fflush(stdout);
    state.counters["units"] = BUILD_FTL_UNITS;
    release_run_buffers();
    platform::pages_release(work, sizeof(WorkBlock));
    work = nullptr;
}

BENCHMARK(BM_ftl_fragmentation)->Unit(benchmark::kSecond)->MeasureProcessCPUTime()->Iterations(1);

constexpr uint32_t SHUFFLE_SEED = 1262300399;
constexpr uint32_t SWAPS = 10 * BUILD_FTL_UNITS;
constexpr auto LAST_UNIT = static_cast<int32_t>(BUILD_FTL_UNITS - 1);

void fill_unit_numbers(std::vector<uint32_t>& order) {
    for (uint32_t u = 0; u < BUILD_FTL_UNITS; ++u) {
        order[u] = u;
    }
}

// The swaps drawn one random_range call per target.
void shuffle_one_draw_at_a_time(std::vector<uint32_t>& order) {
    fill_unit_numbers(order);
    random_init(SHUFFLE_SEED);
    for (uint32_t n = 0; n < SWAPS; ++n) {
        const int32_t a = random_range(0, LAST_UNIT);
        const int32_t b = random_range(0, LAST_UNIT);
        std::swap(order[a], order[b]);
    }
}

// RANROT-W with nothing but its arithmetic, seeded as the tool's generator.
struct BareRanrot {
    uint32_t ring[34];
    uint32_t p1 = 0;
    uint32_t p2 = 10;

    explicit BareRanrot(uint32_t seed) {
        for (uint32_t& word : ring) {
            seed = seed * 2891336453u + 1;
            word = seed;
        }
        for (int k = 0; k < 31; ++k) {
            next();
        }
    }

    uint64_t next() {
        const uint32_t lo = std::rotl(ring[2 * p1 + 1], 27) + ring[2 * p2 + 1];
        const uint32_t hi = std::rotl(ring[2 * p1], 19) + ring[2 * p2];
        ring[2 * p1] = lo;
        ring[2 * p1 + 1] = hi;
        p1 = p1 == 0 ? 16 : p1 - 1;
        p2 = p2 == 0 ? 16 : p2 - 1;
        return (static_cast<uint64_t>(hi) << 32) | lo;
    }

    uint32_t unit() {
        const uint64_t x = next();
        const uint64_t count = BUILD_FTL_UNITS;
        return static_cast<uint32_t>(((((x & 0xFFFFFFFFu) * count) >> 32) + (x >> 32) * count) >> 32);
    }
};

void shuffle_in_bare_loop(std::vector<uint32_t>& order) {
    fill_unit_numbers(order);
    BareRanrot generator(SHUFFLE_SEED);
    for (uint32_t n = 0; n < SWAPS; ++n) {
        const uint32_t a = generator.unit();
        const uint32_t b = generator.unit();
        std::swap(order[a], order[b]);
    }
}

void shuffle_as_the_tool(std::vector<uint32_t>& order) {
    random_init(SHUFFLE_SEED);
    shuffle_units(order.data());
}

template <void (*shuffle)(std::vector<uint32_t>&)>
void BM_shuffle(benchmark::State& state) {
    std::vector<uint32_t> order(BUILD_FTL_UNITS);
    for (auto _ : state) {
        shuffle(order);
    }
    static const std::vector<uint32_t> expected = [] {
        std::vector<uint32_t> table(BUILD_FTL_UNITS);
        shuffle_one_draw_at_a_time(table);
        return table;
    }();
    if (order != expected) {
        state.SkipWithError("the swaps left another table");
    }
}

// Side by side: with --benchmark_enable_random_interleaving the repetitions
// of the three take turns, so that a load on the machine falls on all three.
BENCHMARK_TEMPLATE(BM_shuffle, shuffle_one_draw_at_a_time)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1)
    ->Repetitions(5);
BENCHMARK_TEMPLATE(BM_shuffle, shuffle_in_bare_loop)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1)
    ->Repetitions(5);
BENCHMARK_TEMPLATE(BM_shuffle, shuffle_as_the_tool)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1)
    ->Repetitions(5);

void BM_send_command(benchmark::State& state) {
    work = static_cast<WorkBlock*>(platform::pages_allocate(sizeof(WorkBlock)));
    fill_flash_sync();
    for (auto _ : state) {
        SEND_TO_DEVICE(nullptr, 0);
    }
    platform::pages_release(work, sizeof(WorkBlock));
    work = nullptr;
}

BENCHMARK(BM_send_command);

// The check pair's draw as every command makes it, seeded with the clock's
// second: the same second as the command before, and a new one every time,
// which is what every command cost while the seeded stream was not kept.
template <bool NEW_SECOND>
void BM_check_pair_draw(benchmark::State& state) {
    uint32_t second = SHUFFLE_SEED;
    for (auto _ : state) {
        second += NEW_SECOND ? 1 : 0;
        random_init(second);
        benchmark::DoNotOptimize(random_range(0, 0x7FFFFFFE));
    }
}

BENCHMARK_TEMPLATE(BM_check_pair_draw, false);
BENCHMARK_TEMPLATE(BM_check_pair_draw, true);

}  // namespace

BENCHMARK_MAIN();

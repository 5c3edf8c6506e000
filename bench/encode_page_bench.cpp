// Page encoding throughput in bytes of input: the table-driven codec beside
// the bit-serial reference it is tested against.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <random>
#include <vector>

#include "../tests/support/reference_page_codec.h"
#include "codec/page_codec.h"

namespace {

constexpr uint16_t SEEDS[SECTORS_PER_PAGE] = {0x1157, 0x3485, 0x4626, 0x7307};

std::vector<uint8_t> random_chunk() {
    std::mt19937 rng(1);
    std::vector<uint8_t> chunk(PAGE_CHUNK_BYTES);
    for (uint8_t& b : chunk) {
        b = static_cast<uint8_t>(rng());
    }
    return chunk;
}

template <void (*ENCODE)(const uint8_t*, const uint16_t*, uint8_t*)>
void encode_pages(benchmark::State& state) {
    std::vector<uint8_t> chunk = random_chunk();
    std::vector<uint8_t> encoded(ENCODED_PAGE_BYTES);
    for (auto _ : state) {
        ENCODE(chunk.data(), SEEDS, encoded.data());
        benchmark::DoNotOptimize(encoded.data());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * PAGE_CHUNK_BYTES);
}

void BM_encode_page(benchmark::State& state) {
    encode_pages<encode_page>(state);
}

void BM_reference_encode_page(benchmark::State& state) {
    encode_pages<reference::encode_page>(state);
}

}  // namespace

BENCHMARK(BM_encode_page);
BENCHMARK(BM_reference_encode_page);

BENCHMARK_MAIN();

// The entropy source of prodtool-sim's station. With $PRODTOOL_SIM_ENTROPY
// set to a number the bytes are a fixed stream of that seed, so that a test
// run's made-up serial is repeatable; set to "none" the source gives nothing,
// as on a station where it fails. Unset or empty, the bytes are the host's
// own random device, so runs started at the same calendar time still get
// different serials.
#include <cstdlib>
#include <cstring>
#include <random>

#include "platform/entropy.h"

namespace {

enum class Source { host, seeded, none };

struct StationEntropy {
    Source source = Source::host;
    uint64_t state = 0;
};

StationEntropy& station_entropy() {
    static StationEntropy entropy = [] {
        const char* setting = std::getenv("PRODTOOL_SIM_ENTROPY");
        if (setting == nullptr || *setting == '\0') {
            return StationEntropy{};
        }
        if (std::strcmp(setting, "none") == 0) {
            return StationEntropy{Source::none, 0};
        }
        return StationEntropy{Source::seeded, std::strtoull(setting, nullptr, 10)};
    }();
    return entropy;
}

// SplitMix64: any seed, 0 included, gives a well-spread stream.
uint64_t next_seeded(uint64_t& state) {
    state += 0x9E3779B97F4A7C15;
    uint64_t z = state;
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EB;
    return z ^ (z >> 31);
}

}  // namespace

namespace platform {

bool entropy_bytes(uint8_t* out, size_t count) {
    StationEntropy& entropy = station_entropy();
    if (entropy.source == Source::none) {
        return false;
    }
    std::random_device host;
    for (size_t i = 0; i < count; ++i) {
        out[i] = static_cast<uint8_t>(entropy.source == Source::seeded ? next_seeded(entropy.state) : host());
    }
    return true;
}

}  // namespace platform

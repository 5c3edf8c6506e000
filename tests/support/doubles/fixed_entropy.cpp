#include "support/doubles/fixed_entropy.h"

#include "platform/entropy.h"

namespace {

std::vector<uint8_t> stream = {0};
size_t next = 0;
bool failing = false;

}  // namespace

void fixed_entropy_set(const std::vector<uint8_t>& bytes) {
    stream = bytes;
    next = 0;
    failing = false;
}

void fixed_entropy_fail() {
    failing = true;
}

namespace platform {

bool entropy_bytes(uint8_t* out, size_t count) {
    if (failing || stream.empty()) {
        return false;
    }
    for (size_t i = 0; i < count; ++i) {
        out[i] = stream[next];
        next = (next + 1) % stream.size();
    }
    return true;
}

}  // namespace platform

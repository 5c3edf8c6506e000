#include "platform/entropy.h"

// clang-format off
#include <windows.h>
#include <ntsecapi.h>
// clang-format on

namespace platform {

// RtlGenRandom (SystemFunction036) lives in advapi32, which the tool links
// already, and is the source the C runtime's rand_s draws from.
bool entropy_bytes(uint8_t* out, size_t count) {
    constexpr size_t MOST_PER_CALL = 0x10000;
    while (count > 0) {
        const size_t part = count < MOST_PER_CALL ? count : MOST_PER_CALL;
        if (!RtlGenRandom(out, static_cast<ULONG>(part))) {
            return false;
        }
        out += part;
        count -= part;
    }
    return true;
}

}  // namespace platform

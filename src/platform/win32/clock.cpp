#include "platform/clock.h"

#include <windows.h>

namespace platform {

namespace {

// The system clock counts 100 ns intervals since 1601-01-01.
constexpr int64_t TICKS_PER_SECOND = 10000000;
constexpr int64_t TICKS_1601_TO_1970 = 116444736000000000;

}  // namespace

int64_t calendar_seconds() {
    FILETIME now{};
    ::GetSystemTimeAsFileTime(&now);
    const int64_t ticks =
        static_cast<int64_t>((static_cast<uint64_t>(now.dwHighDateTime) << 32) | now.dwLowDateTime);
    return (ticks - TICKS_1601_TO_1970) / TICKS_PER_SECOND;
}

void sleep_milliseconds(uint32_t milliseconds) {
    ::Sleep(milliseconds);
}

}  // namespace platform

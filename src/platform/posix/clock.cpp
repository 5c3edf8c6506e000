#include "platform/clock.h"

#include <time.h>

namespace platform {

int64_t calendar_seconds() {
    return static_cast<int64_t>(::time(nullptr));
}

void sleep_milliseconds(uint32_t milliseconds) {
    timespec remaining{static_cast<time_t>(milliseconds / 1000),
                       static_cast<long>(milliseconds % 1000) * 1000000L};
    while (::nanosleep(&remaining, &remaining) != 0) {
    }
}

}  // namespace platform

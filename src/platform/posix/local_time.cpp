#include "platform/local_time.h"

#include <time.h>

namespace platform {

bool local_time(int64_t calendar_seconds, LocalTime* out) {
    const time_t seconds = static_cast<time_t>(calendar_seconds);
    tm parts{};
    if (::localtime_r(&seconds, &parts) == nullptr) {
        return false;
    }
    *out = LocalTime{parts.tm_year + 1900, parts.tm_mon + 1, parts.tm_mday,
                     parts.tm_hour,        parts.tm_min,     parts.tm_sec};
    return true;
}

}  // namespace platform

#include "platform/local_time.h"

#include <time.h>

namespace platform {

// The C runtime's conversion: the time zone of $TZ when it is set, else the
// station's time zone, with its daylight-saving rule for that date.
bool local_time(int64_t calendar_seconds, LocalTime* out) {
    const __time64_t seconds = calendar_seconds;
    tm parts{};
    if (::_localtime64_s(&parts, &seconds) != 0) {
        return false;
    }
    *out = LocalTime{parts.tm_year + 1900, parts.tm_mon + 1, parts.tm_mday,
                     parts.tm_hour,        parts.tm_min,     parts.tm_sec};
    return true;
}

}  // namespace platform

// The CPU time the calling thread has used. Unlike wall-clock time it does
// not grow while the thread waits for a core, so on a loaded machine it is
// still the work that the thread itself did.
#pragma once

#include <time.h>

#include <cstdint>

inline int64_t thread_cpu_nanoseconds() {
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return int64_t{now.tv_sec} * 1000000000 + now.tv_nsec;
}

#include "host_install/debug_assertion.h"

#include <cstdio>
#include <cstdlib>

#include "host_main/console.h"
#include "host_main/station_log.h"

void debug_assertion_failure(const char* source_path, int line) {
    std::printf("\ndebug assertion failure\n%s : %d\n", source_path, line);
    put_to_log_buffer("Debug assertion failure\n%s : %d\n", source_path, line);
    station_log_flush();
    std::fflush(nullptr);
    prompt_key(nullptr, nullptr);
    std::exit(1);
}

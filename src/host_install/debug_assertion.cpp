#include "host_install/debug_assertion.h"

#include <cstdio>
#include <cstdlib>

#include "host_main/console.h"

void debug_assertion_failure(const char* source_path, int line) {
    std::printf("\ndebug assertion failure\n%s : %d\n", source_path, line);
    std::fflush(nullptr);
    prompt_key(nullptr, nullptr);
    std::exit(0);
}

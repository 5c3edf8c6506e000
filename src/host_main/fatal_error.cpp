#include "host_main/fatal_error.h"

#include <cstdio>
#include <cstdlib>

void fatal_error(const char* source_path, unsigned line) {
    std::printf("error at %s %u\n", source_path, line);
    std::fflush(nullptr);
    std::exit(1);
}

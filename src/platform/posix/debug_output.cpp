#include "platform/debug_output.h"

#include <cstdio>
#include <cstdlib>

namespace platform {

void debug_output(const char* text) {
    const char* path = std::getenv("PRODTOOL_DEBUG_LOG");
    if (path == nullptr || *path == '\0') {
        return;
    }
    if (std::FILE* log = std::fopen(path, "a")) {
        std::fputs(text, log);
        std::fclose(log);
    }
}

}  // namespace platform

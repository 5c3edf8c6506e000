#include "platform/message_box.h"

#include <cstdio>

#include "platform/console.h"

namespace platform {

void message_box(const char* text) {
    std::printf("\n%s\n[press any key]\n", text);
    std::fflush(stdout);
    console_read_key();
}

}  // namespace platform

#include "host_install/transfer_buffer.h"

#include <cstdio>

#include "host_main/console.h"
#include "host_main/fatal_error.h"
#include "host_main/station_log.h"
#include "platform/memory.h"

uint8_t* allocate_transfer_buffer(size_t bytes, const char* source_path, unsigned line) {
    auto* buffer = static_cast<uint8_t*>(platform::aligned_allocate(bytes));
    if (buffer == nullptr) {
        set_error_colour();
        std::printf("ERROR: memory allocation failure\n");
        restore_colour();
        put_to_log_buffer("Application Memory allocation error\n");
        station_log_flush();
        fatal_error(source_path, line);
    }
    return buffer;
}

void release_transfer_buffer(uint8_t* buffer) {
    platform::aligned_release(buffer);
}

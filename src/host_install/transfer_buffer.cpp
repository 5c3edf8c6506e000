#include "host_install/transfer_buffer.h"

#include <cstdio>

#include "host_main/fatal_error.h"
#include "host_main/station_log.h"
#include "platform/memory.h"

uint8_t* allocate_transfer_buffer(size_t bytes) {
    auto* buffer = static_cast<uint8_t*>(platform::aligned_allocate(bytes));
    if (buffer == nullptr) {
        std::printf("ERROR: not enough memory for %zu bytes\n", bytes);
        put_to_log_buffer("Not enough memory\n");
        station_log_flush();
        FATAL_ERROR();
    }
    return buffer;
}

void release_transfer_buffer(uint8_t* buffer) {
    platform::aligned_release(buffer);
}

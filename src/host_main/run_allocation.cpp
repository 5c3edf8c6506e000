#include "host_main/run_allocation.h"

#include <cstdio>

#include "host_main/console.h"
#include "host_main/fatal_error.h"
#include "host_main/station_log.h"
#include "platform/memory.h"

uint8_t* allocate_run_buffer(size_t bytes, const char* source_path, unsigned line) {
    auto* buffer = static_cast<uint8_t*>(platform::aligned_allocate(bytes));
    if (buffer == nullptr) {
        set_error_colour();
        std::printf("ERROR: memory allocation failure\n");
        restore_colour();
        station_log_write(STATUS_FAIL, 0, 1, "Application Memory allocation error\n");
        fatal_error(source_path, line);
    }
    return buffer;
}

// The 512-aligned buffers of a run. A buffer that cannot be had ends the run
// the one way a station knows: the message in the error colour, the fail
// record, and the "error at" line naming the place that asked.
#pragma once

#include <cstddef>
#include <cstdint>

uint8_t* allocate_run_buffer(size_t bytes, const char* source_path, unsigned line);

#define ALLOCATE_RUN_BUFFER(bytes) allocate_run_buffer((bytes), __FILE__, __LINE__)

// The stage buffers of a run, kept beside the work block: allocated by the
// stages that first need them, released by the run driver at a normal end.
#pragma once

#include <cstddef>
#include <cstdint>

// The SATA/SDRAM test buffer, 64 MiB, 512-aligned; the later stages' scratch
// buffer for drive reads and uploads.
inline constexpr size_t TEST_BUFFER_BYTES = 0x4000000;
extern uint8_t* test_buffer;

// The metadata image and the master info, 512-aligned (firmware download);
// their sizes are those of the build's system-area layout.
extern uint8_t* metadata_buffer;
extern uint8_t* master_info_buffer;

void release_run_buffers();

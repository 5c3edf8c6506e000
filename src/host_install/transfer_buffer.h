// The 512-aligned host buffers of the installation's drive transfers.
#pragma once

#include <cstddef>
#include <cstdint>

// Never null: when the memory cannot be had the run ends as a failure.
uint8_t* allocate_transfer_buffer(size_t bytes);
void release_transfer_buffer(uint8_t* buffer);

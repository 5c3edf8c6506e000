// The 512-aligned host buffers of the installation's drive transfers.
#pragma once

#include <cstddef>
#include <cstdint>

// Never null: when the memory cannot be had the run ends as a failure, in the
// same words as every other buffer of the run, with the installation's trail
// kept in front of the record and the "error at" line naming the place that
// asked.
uint8_t* allocate_transfer_buffer(size_t bytes, const char* source_path, unsigned line);
void release_transfer_buffer(uint8_t* buffer);

#define ALLOCATE_TRANSFER_BUFFER(bytes) allocate_transfer_buffer((bytes), __FILE__, __LINE__)

// Memory blocks with the alignment unbuffered drive transfers need.
#pragma once

#include <cstddef>

namespace platform {

// One committed, zero-filled, read-write, page-aligned block. Null on failure.
void* pages_allocate(size_t bytes);
void pages_release(void* block, size_t bytes);

// A heap block whose address is a multiple of 512. Null on failure.
void* aligned_allocate(size_t bytes);
void aligned_release(void* block);

}  // namespace platform

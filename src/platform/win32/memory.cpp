#include "platform/memory.h"

#include <malloc.h>
#include <windows.h>

namespace platform {

void* pages_allocate(size_t bytes) {
    // Committed pages are zero-filled and start on an allocation boundary.
    return ::VirtualAlloc(nullptr, bytes, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
}

void pages_release(void* block, size_t) {
    if (block != nullptr) {
        ::VirtualFree(block, 0, MEM_RELEASE);
    }
}

void* aligned_allocate(size_t bytes) {
    return ::_aligned_malloc(bytes, 512);
}

void aligned_release(void* block) {
    ::_aligned_free(block);
}

}  // namespace platform

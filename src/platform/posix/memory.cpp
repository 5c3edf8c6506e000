#include "platform/memory.h"

#include <sys/mman.h>

#include <cstdlib>

namespace platform {

void* pages_allocate(size_t bytes) {
    // Anonymous mappings are zero-filled; MAP_POPULATE commits them now.
    void* block =
        ::mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS | MAP_POPULATE, -1, 0);
    return block == MAP_FAILED ? nullptr : block;
}

void pages_release(void* block, size_t bytes) {
    if (block != nullptr) {
        ::munmap(block, bytes);
    }
}

void* aligned_allocate(size_t bytes) {
    void* block = nullptr;
    return ::posix_memalign(&block, 512, bytes) == 0 ? block : nullptr;
}

void aligned_release(void* block) {
    std::free(block);
}

}  // namespace platform

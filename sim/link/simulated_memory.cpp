// The memory of prodtool-sim's station: blocks as the platform gives them
// (zero-filled pages, 512-aligned heap blocks), except that the N-th request
// of the run, counting both kinds from 1, fails when $PRODTOOL_SIM_FAIL_ALLOCATION
// is N: a station whose memory runs out at that request.
#include <cstdlib>
#include <cstring>
#include <new>

#include "platform/memory.h"

namespace {

constexpr std::align_val_t PAGE_ALIGNMENT{4096};
constexpr std::align_val_t SECTOR_ALIGNMENT{512};

unsigned long failing_request() {
    static const unsigned long request = [] {
        const char* n = std::getenv("PRODTOOL_SIM_FAIL_ALLOCATION");
        return n != nullptr ? std::strtoul(n, nullptr, 10) : 0;
    }();
    return request;
}

bool request_fails() {
    static unsigned long requests = 0;
    return ++requests == failing_request();
}

}  // namespace

namespace platform {

void* pages_allocate(size_t bytes) {
    if (request_fails()) {
        return nullptr;
    }
    void* block = ::operator new(bytes, PAGE_ALIGNMENT, std::nothrow);
    if (block != nullptr) {
        std::memset(block, 0, bytes);
    }
    return block;
}

void pages_release(void* block, size_t) {
    ::operator delete(block, PAGE_ALIGNMENT);
}

void* aligned_allocate(size_t bytes) {
    return request_fails() ? nullptr : ::operator new(bytes, SECTOR_ALIGNMENT, std::nothrow);
}

void aligned_release(void* block) {
    ::operator delete(block, SECTOR_ALIGNMENT);
}

}  // namespace platform

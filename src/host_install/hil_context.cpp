#include "host_install/hil_context.h"

#include <cstring>

#include "host_install/system_area_layout.h"
#include "host_install/transfer_buffer.h"

uint8_t* hil_context = nullptr;

void make_hil_context() {
    if (hil_context == nullptr) {
        hil_context = ALLOCATE_TRANSFER_BUFFER(HIL_CONTEXT_BYTES);
    }
    std::memset(hil_context, 0, HIL_CONTEXT_BYTES);
}

void release_hil_context() {
    release_transfer_buffer(hil_context);
    hil_context = nullptr;
}

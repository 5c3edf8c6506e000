#include "run_state/run_buffers.h"

#include <initializer_list>

#include "platform/memory.h"

uint8_t* test_buffer = nullptr;
uint8_t* metadata_buffer = nullptr;
uint8_t* master_info_buffer = nullptr;

void release_run_buffers() {
    for (uint8_t** buffer : {&test_buffer, &metadata_buffer, &master_info_buffer}) {
        platform::aligned_release(*buffer);
        *buffer = nullptr;
    }
}

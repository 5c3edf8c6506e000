#include <cstdint>
#include <cstdio>

#include "host_actions/controller_actions.h"
#include "host_actions/drive_register.h"
#include "host_main/console.h"
#include "host_main/fatal_error.h"
#include "host_main/run_allocation.h"
#include "host_main/station_log.h"
#include "platform/memory.h"

namespace {

// SDRAM words of the probe. With 16 MB the second aliases the first; with
// 32 MB the third lies beyond the SDRAM or aliases the first.
constexpr uint32_t BASE_WORD = 0x40000800;
constexpr uint32_t WORD_AT_1K = 0x40000C00;
constexpr uint32_t WORD_AT_32_MB = 0x42000800;
constexpr uint32_t MARK_16 = 0x16161616;
constexpr uint32_t MARK_32 = 0x32323232;

uint32_t size_code_answered_by(uint8_t* sector) {
    WRITE_DRIVE_REGISTER(BASE_WORD, 0);
    WRITE_DRIVE_REGISTER(WORD_AT_1K, MARK_16);
    if (READ_DRIVE_REGISTER(BASE_WORD, sector) == MARK_16) {
        return SDRAM_16_MB;
    }
    WRITE_DRIVE_REGISTER(BASE_WORD, 0);
    WRITE_DRIVE_REGISTER(WORD_AT_32_MB, MARK_32);
    if (READ_DRIVE_REGISTER(WORD_AT_32_MB, sector) != MARK_32) {
        return SDRAM_32_MB;
    }
    return READ_DRIVE_REGISTER(BASE_WORD, sector) == MARK_32 ? SDRAM_32_MB : SDRAM_64_MB;
}

}  // namespace

uint32_t probe_sdram_size() {
    uint8_t* sector = ALLOCATE_RUN_BUFFER(512);
    const uint32_t code = size_code_answered_by(sector);
    platform::aligned_release(sector);
    return code;
}

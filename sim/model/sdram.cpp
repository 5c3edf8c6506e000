// The SDRAM behind the factory-mode disk and the commands' addresses. A
// smaller part than 64 MB answers over the whole address span, aliased: a
// 32 MB part repeats every 32 MB; a 16 MB part also ignores address bit 10,
// so that 0x40000800 and 0x40000C00 are one cell.
#include <algorithm>
#include <cstring>

#include "model/drive.h"

namespace sim {

namespace {

constexpr uint32_t ALIAS_GRAIN = 0x400;

uint32_t cell_of(const Drive& drive, uint32_t offset) {
    switch (drive.config.sdram_mb) {
        case 16:
            return (((offset >> 11) << 10) | (offset & (ALIAS_GRAIN - 1))) & 0xFFFFFF;
        case 32:
            return offset & 0x1FFFFFF;
        default:
            return offset;
    }
}

// Calls visit(cell, position, bytes) for runs of consecutive cells.
template <typename Visit>
void for_each_run(const Drive& drive, uint32_t address, uint32_t bytes, Visit visit) {
    uint32_t offset = address - SDRAM_BASE;
    if (drive.config.sdram_mb == 64) {
        visit(offset, 0u, bytes);
        return;
    }
    uint32_t done = 0;
    while (done < bytes) {
        const uint32_t run = std::min(bytes - done, ALIAS_GRAIN - (offset % ALIAS_GRAIN));
        visit(cell_of(drive, offset), done, run);
        done += run;
        offset += run;
    }
}

}  // namespace

bool sdram_range_valid(uint32_t address, uint32_t bytes) {
    return address >= SDRAM_BASE && bytes <= SDRAM_SPAN &&
           uint64_t{address} - SDRAM_BASE + bytes <= SDRAM_SPAN;
}

void sdram_store(Drive& drive, uint32_t address, const uint8_t* data, uint32_t bytes) {
    uint8_t* cells = drive.power.sdram.get();
    for_each_run(drive, address, bytes, [&](uint32_t cell, uint32_t at, uint32_t run) {
        std::memcpy(cells + cell, data + at, run);
    });
}

void sdram_load(const Drive& drive, uint32_t address, uint8_t* data, uint32_t bytes) {
    const uint8_t* cells = drive.power.sdram.get();
    for_each_run(drive, address, bytes, [&](uint32_t cell, uint32_t at, uint32_t run) {
        std::memcpy(data + at, cells + cell, run);
    });
}

}  // namespace sim

// The fields of the master info record in the master info buffer: where the
// drive firmware finds its metadata, its system blocks and its HIL context.
// Offsets follow from the build's layout (system_area_layout.h).
#pragma once

#include <cstdint>

#include "host_install/system_area_layout.h"
#include "run_state/run_buffers.h"
#include "little_endian.h"

inline constexpr uint32_t MASTER_MARKER_VALUE = 0xFFFFFFFE;
inline constexpr uint32_t MASTER_MAGIC_VALUE = 0x6DA3E18C;
inline constexpr uint8_t MASTER_MAGIC_BYTE = 10;
inline constexpr uint32_t MASTER_END_VALUE = 0xFFFFFFFF;

// The metadata pairs come in BUILD_MASTER_COPIES equal copies; readers take
// the first.
inline uint8_t* master_metadata_pair_field(uint32_t copy, uint32_t bank_index) {
    return master_info_buffer + MASTER_INFO.metadata_pairs + 2 * (copy * BUILD_NUM_BANKS + bank_index);
}

// The low-chip block, then the high-chip block.
inline uint8_t* master_system_blocks_field(uint32_t bank_index) {
    return master_info_buffer + MASTER_INFO.system_blocks + 4 * bank_index;
}

inline uint8_t* master_hil_pair_field(uint32_t bank_index) {
    return master_info_buffer + MASTER_INFO.hil_pairs + 2 * bank_index;
}

inline uint32_t master_metadata_pair(uint32_t bank_index) {
    return load_le16(master_metadata_pair_field(0, bank_index));
}

inline uint32_t master_hil_pair(uint32_t bank_index) {
    return load_le16(master_hil_pair_field(bank_index));
}

// Where a system-area record lies: a bank index and a page of the pair or
// blocks named for that bank.
struct SystemAreaLocation {
    uint32_t bank_index;
    uint32_t page;
};

inline SystemAreaLocation read_location(uint32_t offset) {
    return {load_le32(master_info_buffer + offset), load_le32(master_info_buffer + offset + 4)};
}

inline void store_location(uint32_t offset, SystemAreaLocation location) {
    store_le32(master_info_buffer + offset, location.bank_index);
    store_le32(master_info_buffer + offset + 4, location.page);
}

// Marks of the block-zero page formats the drive writes and simdrive decodes.
#pragma once

#include <cstdint>

namespace sim {

inline constexpr uint32_t RUNTIME_LIST_MAGIC_0 = 0x39FB0248;
inline constexpr uint32_t RUNTIME_LIST_MAGIC_1 = 0x77884455;
inline constexpr uint32_t RUNTIME_LIST_ENTRIES_MAX = 2044;
inline constexpr uint32_t BB_RECORD_MAGIC_0 = 0x33221100;
inline constexpr uint32_t BB_RECORD_MAGIC_1 = 0xCC99E2A9;
inline constexpr uint32_t STAMP_MAGIC = 0xC0C2E003;

}  // namespace sim

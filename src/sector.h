// The unit of every transfer with the drive.
#pragma once

#include <cstddef>

inline constexpr size_t SECTOR_BYTES = 512;

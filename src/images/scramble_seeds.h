// The page-scrambler seeds of every host-encoded page, the same in every
// build. The encoder uses entries 0 to 3 for the four sectors of a page; the
// stamp carries all sixteen so that the drive can undo the scrambling.
#pragma once

#include <cstdint>

inline constexpr int SCRAMBLE_SEED_COUNT = 16;

inline constexpr uint16_t scramble_seeds[SCRAMBLE_SEED_COUNT] = {
    0x1157, 0x3485, 0x4626, 0x7307, 0x1728, 0x1340, 0x4322, 0x1812,
    0x1992, 0x0996, 0x7063, 0x7055, 0x3785, 0x2803, 0x5186, 0x4348,
};

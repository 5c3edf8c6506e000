// The firmware release each build installs (bootloader, firmware, runtime
// overlay), as the simulated drive's boot check compares with it.
#pragma once

#include <cstdint>

namespace sim {

struct ImageBytes {
    const uint8_t* bytes;
    uint32_t length;
};

struct ReleaseImages {
    ImageBytes bootloader;
    ImageBytes firmware;
    ImageBytes overlay;
};

// Indexed by build - 1.
extern const ReleaseImages RELEASE_IMAGES[5];

}  // namespace sim

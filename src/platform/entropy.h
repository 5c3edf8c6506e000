// Random bytes from the operating system's entropy source, for values that
// must differ between drives made at the same moment on any station.
#pragma once

#include <cstddef>
#include <cstdint>

namespace platform {

// Fills all `count` bytes; false when the source cannot give them.
bool entropy_bytes(uint8_t* out, size_t count);

}  // namespace platform

// A settable byte stream in place of the station's entropy source: it gives
// the bytes set, over and over, or nothing when it is set to fail.
#pragma once

#include <cstdint>
#include <vector>

void fixed_entropy_set(const std::vector<uint8_t>& bytes);
void fixed_entropy_fail();

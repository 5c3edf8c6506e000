// Field use of a produced drive, as simdrive age and the tests apply it.
#pragma once

#include <cstdint>
#include <string>

#include "model/drive.h"

namespace sim {

// Grows bad blocks (a bad-block record in block zero and an erase_fail fault
// each) and writes user data into a few blocks; `log` gets one line per grown
// block. False when block zero has no free page left for a record.
bool age_in_field(Drive& drive, uint32_t grown_bad_blocks, uint64_t seed, std::string* log);

}  // namespace sim

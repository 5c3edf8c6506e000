// One flag per bank position, as the flash test's blank check leaves them:
// non-zero for a bank found blank.
#pragma once

#include <cstdint>

#include "run_state/work_block.h"

using BankSelection = int32_t[BANK_POSITIONS];

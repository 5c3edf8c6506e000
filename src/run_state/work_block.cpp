#include "run_state/work_block.h"

WorkBlock* work = nullptr;

#include "host_mass_production/work_block.h"

WorkBlock* work = nullptr;

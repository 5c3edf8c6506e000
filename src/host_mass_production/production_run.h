// One production run: the stages in their fixed order under their stage codes
// and station records. Returns only after a normal end of the firmware
// download; every other end of the run ends the process from inside.
#pragma once

#include <cstdint>

void production_run(uint32_t drive_number, bool operator_mode, bool timing_test, int32_t fragmentation,
                    int32_t bist_count);

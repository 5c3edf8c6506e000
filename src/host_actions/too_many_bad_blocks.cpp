#include "host_actions/too_many_bad_blocks.h"

#include <cstdio>

#include "host_actions/bank_names.h"
#include "host_main/console.h"
#include "host_main/station_log.h"

void report_too_many_bad_blocks(uint32_t bank) {
    set_error_colour();
    std::printf("ERROR: too many bad blocks in ");
    std::printf(BANK_AFTER_MESSAGE_LINE, BANK_NAME_ARGS(bank));
    restore_colour();
    put_to_log_buffer("Too many bad blocks in Bank %u=%c%u\t\n", BANK_NAME_ARGS(bank));
}

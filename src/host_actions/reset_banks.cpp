#include "host_actions/bank_names.h"
#include "host_actions/controller_actions.h"
#include "host_main/command_channel.h"
#include "host_main/factory_commands.h"
#include "host_main/station_log.h"
#include "run_state/work_block.h"
#include "platform/clock.h"

namespace {

// The chips take this long to come out of their reset.
constexpr uint32_t RESET_SETTLE_MS = 100;

}  // namespace

void reset_banks() {
    put_to_log_buffer("Reset banks\n");
    for (uint32_t bank = 0; bank < BANK_POSITIONS; ++bank) {
        put_to_log_buffer(BANK_LOG_NAME "\n", BANK_NAME_ARGS(bank));
        fill_nand_reset(bank);
        SEND_TO_DEVICE(nullptr, 0);
    }
    platform::sleep_milliseconds(RESET_SETTLE_MS);
    clear_log_buffer();
}

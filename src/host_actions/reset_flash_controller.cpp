#include "host_actions/controller_actions.h"
#include "host_main/command_channel.h"
#include "host_main/factory_commands.h"
#include "host_main/station_log.h"
#include "selected_build.h"

void reset_flash_controller(bool big_ecc) {
    fill_reset_flash_ctrl(big_ecc ? BUILD_CTRL_CONFIG_BIG : BUILD_CTRL_CONFIG);
    clear_log_buffer();
    put_to_log_buffer("Reset flash controller\n");
    SEND_TO_DEVICE(nullptr, 0);
    clear_log_buffer();
}

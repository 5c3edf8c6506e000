#include "host_actions/drive_register.h"

#include "host_main/command_channel.h"
#include "host_main/factory_commands.h"
#include "little_endian.h"

uint32_t read_drive_register(uint32_t address, uint8_t* sector, const char* file, unsigned line) {
    fill_read_reg(address);
    caller_file = file;
    caller_line = line;
    send_to_device(nullptr, 0);
    recv_from_device(COMMAND_SECTOR, sector, 1);
    return load_le32(sector);
}

void write_drive_register(uint32_t address, uint32_t value, const char* file, unsigned line) {
    fill_write_reg(address, value);
    caller_file = file;
    caller_line = line;
    send_to_device(nullptr, 0);
}

// Drive registers and SDRAM words reached through the command channel: a
// read is CMD_READ_REG and the value comes back in word 0 of sector 0. The
// channel calls carry the caller's source location, so that a failure names
// the place that asked.
#pragma once

#include <cstdint>

// sector: a 512-aligned host buffer of one sector for the result.
uint32_t read_drive_register(uint32_t address, uint8_t* sector, const char* file, unsigned line);
void write_drive_register(uint32_t address, uint32_t value, const char* file, unsigned line);

#define READ_DRIVE_REGISTER(address, sector) read_drive_register((address), (sector), __FILE__, __LINE__)
#define WRITE_DRIVE_REGISTER(address, value) write_drive_register((address), (value), __FILE__, __LINE__)

// The drive's serial number and the console title, settled at the start of
// the flash test stage.
#pragma once

#include <cstdint>

enum class SerialOrigin { command_line, stamp, made_up };

// Where this run's serial number came from, once settled.
extern SerialOrigin serial_origin;

// Keeps a serial number given on the command line; otherwise takes the one
// stored in the drive's stamp, or makes one up from the station's entropy
// source (the run ends when that gives nothing).
void settle_serial_number();

// "<drive number>-<serial number>", cut to 29 characters.
void set_console_title(uint32_t drive_number);

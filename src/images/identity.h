// The drive's identity texts, run-wide: the build's defaults, replaced by the
// command-line options F, S and M, and an empty serial number settled by the
// run. Each holds its characters and a terminating zero, in plain character
// order; they reach the drive only through the stamp.
#pragma once

#include <cstddef>

inline constexpr size_t FW_REVISION_CHARS = 8;
inline constexpr size_t SERIAL_NUMBER_CHARS = 20;
inline constexpr size_t MODEL_NUMBER_CHARS = 40;

extern char fw_revision[FW_REVISION_CHARS + 1];
extern char serial_number[SERIAL_NUMBER_CHARS + 1];
extern char model_number[MODEL_NUMBER_CHARS + 1];

// The firmware revision built into the tool, sent with the tool-start record
// whatever the F option says.
inline constexpr char BUILT_IN_REVISION[] = "1916";

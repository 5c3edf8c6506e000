// The operator console: colour attribute, window title and single keys.
#pragma once

#include <cstdint>

namespace platform {

// Makes sure standard input, output and error are open, on the null device
// where the starter left one closed, so that nothing the tool opens later
// (the drive above all) takes the place of one and receives console text or
// answers questions. Called first, before anything is opened.
void console_open_standard_streams();

// Character attribute of the console output, in the console's colour code
// (low nibble foreground: bit 0 blue, 1 green, 2 red, 3 intensity).
// When standard output is not a terminal nothing is shown and the attribute
// is only remembered. A terminal whose colours cannot be read (POSIX) starts
// at 0x07, which stands for its own colours: setting 0x07 puts them back.
uint16_t console_attribute();
void console_set_attribute(uint16_t attribute);

void console_set_title(const char* title);

// One key from the console without echo. Returns CONSOLE_END_OF_INPUT when
// the input is closed, so that no question can hang the tool.
inline constexpr int CONSOLE_END_OF_INPUT = -1;
int console_read_key();

// After a number read from standard input: on scripted input (a pipe or a
// file) drops the rest of the answer's line, so that its line end does not
// answer the next key question. A console's keys are read beneath the line
// of a number's answer, which needs nothing then.
void console_end_answer_line();

// Drops input typed ahead on a terminal. Scripted input (a pipe or a file)
// is left alone: its later answers belong to later questions.
void console_drop_typed_ahead();

}  // namespace platform

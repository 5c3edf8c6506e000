// The station's own terminal: the live table and the operator's keys.
#pragma once

namespace station {

// Standard input and output are both a terminal.
bool interactive_terminal();

// Single keys without echo and without waiting for a line end; Ctrl-C still
// interrupts. Off again restores the terminal as it was.
void terminal_keys(bool single);

inline constexpr int NO_KEY = -1;
// A key typed, or NO_KEY when none is waiting.
int terminal_key();

// Columns of the terminal, 80 when unknown.
int terminal_columns();

// Turns the operator's Ctrl-C (and a terminating signal) into a request the
// session polls, so that every running tool is ended as it should be.
void watch_interruption();
bool interruption_requested();

}  // namespace station

// The operator console: the error colour, single-key questions and the
// diagnostics channel.
#pragma once

#include <cstdint>

// Console attribute of the error colour: bright yellow on black.
inline constexpr uint16_t ERROR_COLOUR = 14;

// Saves the current attribute and switches to the error colour.
void set_error_colour();

// Back to the attribute saved by the last set_error_colour.
void restore_colour();

// Prints the prompt (if any) and waits for one key. Upper-case letters count
// as lower case. With a set of accepted keys, other keys are swallowed; the
// accepted key is echoed with a line end. When the console input is closed
// the question cannot be answered: a set that offers 'n' is answered 'n'
// (echoed as if typed), and without such a set 0 is returned at once.
char prompt_key(const char* prompt, const char* accepted_keys);

// Formats into 8192 bytes (longer output is cut) and sends the text to the
// diagnostics channel, never to the console.
void debug_print(const char* format, ...) __attribute__((format(printf, 1, 2)));

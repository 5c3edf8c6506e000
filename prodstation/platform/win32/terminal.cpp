#include "platform/terminal.h"

#include <conio.h>
#include <windows.h>

namespace station {

namespace {

constexpr int DEFAULT_COLUMNS = 80;
volatile LONG interrupted = 0;
DWORD cooked_input = 0, cooked_output = 0;
bool keys_single = false;

BOOL WINAPI note_interruption(DWORD) {
    ::InterlockedExchange(&interrupted, 1);
    return TRUE;
}

bool console_mode(DWORD handle, DWORD* mode) {
    return ::GetConsoleMode(::GetStdHandle(handle), mode) != 0;
}

}  // namespace

bool interactive_terminal() {
    DWORD mode = 0;
    return console_mode(STD_INPUT_HANDLE, &mode) && console_mode(STD_OUTPUT_HANDLE, &mode);
}

void terminal_keys(bool single) {
    if (single == keys_single) {
        return;
    }
    const HANDLE input = ::GetStdHandle(STD_INPUT_HANDLE);
    const HANDLE output = ::GetStdHandle(STD_OUTPUT_HANDLE);
    if (single) {
        ::GetConsoleMode(input, &cooked_input);
        ::GetConsoleMode(output, &cooked_output);
        // Ctrl-C stays a signal (processed input); the table is drawn with
        // the terminal's escape sequences.
        ::SetConsoleMode(input, cooked_input & ~static_cast<DWORD>(ENABLE_LINE_INPUT | ENABLE_ECHO_INPUT));
        ::SetConsoleMode(output, cooked_output | ENABLE_VIRTUAL_TERMINAL_PROCESSING);
    } else {
        ::SetConsoleMode(input, cooked_input);
        ::SetConsoleMode(output, cooked_output);
    }
    keys_single = single;
}

int terminal_key() {
    return ::_kbhit() != 0 ? ::_getch() : NO_KEY;
}

int terminal_columns() {
    CONSOLE_SCREEN_BUFFER_INFO info{};
    if (::GetConsoleScreenBufferInfo(::GetStdHandle(STD_OUTPUT_HANDLE), &info) == 0) {
        return DEFAULT_COLUMNS;
    }
    return info.srWindow.Right - info.srWindow.Left + 1;
}

void watch_interruption() {
    ::SetConsoleCtrlHandler(note_interruption, TRUE);
}

bool interruption_requested() {
    return ::InterlockedCompareExchange(&interrupted, 0, 0) != 0;
}

}  // namespace station

#include "platform/console.h"

#include <windows.h>

#include <cstdio>

namespace platform {

namespace {

// Remembered for output that is not a console (a pipe or a file), where the
// attribute calls fail and nothing is shown.
uint16_t remembered_attribute = 0x07;

HANDLE console_output() {
    return ::GetStdHandle(STD_OUTPUT_HANDLE);
}

// Null when standard input is not a console.
HANDLE console_input() {
    const HANDLE input = ::GetStdHandle(STD_INPUT_HANDLE);
    DWORD mode = 0;
    return ::GetConsoleMode(input, &mode) ? input : nullptr;
}

bool is_key_press(const INPUT_RECORD& record) {
    return record.EventType == KEY_EVENT && record.Event.KeyEvent.bKeyDown &&
           record.Event.KeyEvent.uChar.AsciiChar != '\0';
}

}  // namespace

uint16_t console_attribute() {
    CONSOLE_SCREEN_BUFFER_INFO info{};
    return ::GetConsoleScreenBufferInfo(console_output(), &info) ? info.wAttributes : remembered_attribute;
}

void console_set_attribute(uint16_t attribute) {
    remembered_attribute = attribute;
    // Text still buffered must come out in the colour it was written in.
    std::fflush(stdout);
    ::SetConsoleTextAttribute(console_output(), attribute);
}

void console_set_title(const char* title) {
    ::SetConsoleTitleA(title);
}

int console_read_key() {
    std::fflush(stdout);
    const HANDLE input = console_input();
    if (input == nullptr) {
        const int key = std::getchar();
        return key == EOF ? CONSOLE_END_OF_INPUT : key;
    }
    // Console input records carry key presses without echo; releases, shift
    // keys alone, mouse and window events are passed over.
    INPUT_RECORD record{};
    DWORD got = 0;
    while (::ReadConsoleInputA(input, &record, 1, &got) && got == 1) {
        if (is_key_press(record)) {
            return static_cast<unsigned char>(record.Event.KeyEvent.uChar.AsciiChar);
        }
    }
    return CONSOLE_END_OF_INPUT;
}

void console_drop_typed_ahead() {
    if (const HANDLE input = console_input()) {
        ::FlushConsoleInputBuffer(input);
    }
}

}  // namespace platform

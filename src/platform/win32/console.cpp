#include "platform/console.h"

#include <windows.h>

#include <cstdio>
#include <cstdlib>

#include "platform/win32/interruption.h"

namespace platform {

namespace {

// Remembered for output that is not a console (a pipe or a file), where the
// attribute calls fail and nothing is shown.
uint16_t remembered_attribute = 0x07;

// What an interrupted run puts back: the attribute and the title the console
// showed before the run first changed each. The handler runs on a thread of
// its own while the run goes on; it takes the console's changes for good, so
// that no colour or title of the run comes after the ones it puts back.
// Reading a key changes no console mode: the input needs nothing put back.
SRWLOCK console_changes = SRWLOCK_INIT;
bool attribute_asked = false;
bool attribute_saved = false;
WORD attribute_at_start = 0;
bool title_asked = false;
bool title_saved = false;
constexpr DWORD TITLE_CHARS = 1024;
wchar_t title_at_start[TITLE_CHARS];

HANDLE console_output() {
    return ::GetStdHandle(STD_OUTPUT_HANDLE);
}

void save_attribute_once() {
    if (!attribute_asked) {
        attribute_asked = true;
        CONSOLE_SCREEN_BUFFER_INFO info{};
        attribute_saved = ::GetConsoleScreenBufferInfo(console_output(), &info) != 0;
        attribute_at_start = info.wAttributes;
    }
}

void save_title_once() {
    if (!title_asked) {
        title_asked = true;
        title_saved = ::GetConsoleTitleW(title_at_start, TITLE_CHARS) > 0;
    }
}

bool is_interruption(DWORD event) {
    switch (event) {
        case CTRL_C_EVENT:
        case CTRL_BREAK_EVENT:
        case CTRL_CLOSE_EVENT:
        case CTRL_LOGOFF_EVENT:
        case CTRL_SHUTDOWN_EVENT:
            return true;
        default:
            return false;
    }
}

// Ctrl-C ignored when the run started (a new process group, or a starter that
// ignores it and hands that on) stays ignored: the system then calls no
// handler for it, and nothing here asks for it again.
bool end_run_on_interruption() {
    return ::SetConsoleCtrlHandler(end_interrupted_run, TRUE) != 0;
}

// Whoever uses the console gets its restoring end from the start of the run.
const bool interruption_handled = end_run_on_interruption();

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

// Nothing to do here: a handle the tool opens (the drive's CreateFile, a dump
// file) never takes a standard handle's place, which only SetStdHandle
// changes, and the C runtime keeps its descriptors 0 to 2 marked open when
// the process started without those handles, so that no later open gets one.
void console_open_standard_streams() {}

BOOL WINAPI end_interrupted_run(DWORD event) {
    if (!is_interruption(event)) {
        return FALSE;
    }
    ::AcquireSRWLockExclusive(&console_changes);
    if (attribute_saved) {
        ::SetConsoleTextAttribute(console_output(), attribute_at_start);
    }
    if (title_saved) {
        ::SetConsoleTitleW(title_at_start);
    }
    std::_Exit(1);
}

uint16_t console_attribute() {
    CONSOLE_SCREEN_BUFFER_INFO info{};
    return ::GetConsoleScreenBufferInfo(console_output(), &info) ? info.wAttributes : remembered_attribute;
}

void console_set_attribute(uint16_t attribute) {
    remembered_attribute = attribute;
    // Text still buffered must come out in the colour it was written in.
    std::fflush(stdout);
    ::AcquireSRWLockExclusive(&console_changes);
    save_attribute_once();
    ::SetConsoleTextAttribute(console_output(), attribute);
    ::ReleaseSRWLockExclusive(&console_changes);
}

void console_set_title(const char* title) {
    ::AcquireSRWLockExclusive(&console_changes);
    save_title_once();
    ::SetConsoleTitleA(title);
    ::ReleaseSRWLockExclusive(&console_changes);
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

void console_end_answer_line() {
    if (console_input() == nullptr) {
        int rest = 0;
        do {
            rest = std::getchar();
        } while (rest != '\n' && rest != EOF);
    }
}

void console_drop_typed_ahead() {
    if (const HANDLE input = console_input()) {
        ::FlushConsoleInputBuffer(input);
    }
}

}  // namespace platform

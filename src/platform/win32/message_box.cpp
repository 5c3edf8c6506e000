#include "platform/message_box.h"

#include <windows.h>

#include <cstdio>

#include "platform/console.h"

namespace platform {

namespace {

constexpr char CAPTION[] = "prodtool";

bool input_is_console() {
    DWORD mode = 0;
    return ::GetConsoleMode(::GetStdHandle(STD_INPUT_HANDLE), &mode) != 0;
}

}  // namespace

// With scripted or closed input nobody may be there to close a box, and a
// station without a desktop would wait for ever: the text goes to the
// console and one key (or the end of the input) acknowledges it.
void message_box(const char* text) {
    if (!input_is_console()) {
        std::printf("\n%s\n[press any key]\n", text);
        std::fflush(stdout);
        console_read_key();
        return;
    }
    ::MessageBoxA(nullptr, text, CAPTION, MB_OK | MB_SYSTEMMODAL);
}

}  // namespace platform

#include "platform/message_box.h"

#include <windows.h>

#include <cstdio>

#include "platform/console.h"
#include "platform/library.h"

namespace platform {

namespace {

constexpr char CAPTION[] = "prodtool";

using MessageBoxFunction = int(WINAPI*)(HWND, LPCSTR, LPCSTR, UINT);

bool input_is_console() {
    DWORD mode = 0;
    return ::GetConsoleMode(::GetStdHandle(STD_INPUT_HANDLE), &mode) != 0;
}

void show_on_console(const char* text) {
    std::printf("\n%s\n[press any key]\n", text);
    std::fflush(stdout);
    console_read_key();
}

// The windowing library is loaded only for the box: a console program that
// has it loaded is no longer told of a logoff or a shutdown, and the run must
// still end cleanly on those.
MessageBoxFunction system_message_box() {
    const LibraryHandle user32 = library_load("user32.dll");
    return user32 == nullptr ? nullptr
                             : reinterpret_cast<MessageBoxFunction>(library_symbol(user32, "MessageBoxA"));
}

}  // namespace

// With scripted or closed input nobody may be there to close a box, and a
// station without a desktop would wait for ever: the text goes to the
// console and one key (or the end of the input) acknowledges it, as it does
// where the windowing library is missing.
void message_box(const char* text) {
    const MessageBoxFunction show = input_is_console() ? system_message_box() : nullptr;
    if (show == nullptr) {
        show_on_console(text);
        return;
    }
    show(nullptr, text, CAPTION, MB_OK | MB_SYSTEMMODAL);
}

}  // namespace platform

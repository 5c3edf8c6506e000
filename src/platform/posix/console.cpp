#include "platform/console.h"

#include <termios.h>
#include <unistd.h>

#include <cstdio>

namespace platform {

namespace {

// What the console shows before the tool changes anything: light grey on black.
constexpr uint16_t DEFAULT_ATTRIBUTE = 0x07;
uint16_t current_attribute = DEFAULT_ATTRIBUTE;

// Console colour code (blue, green, red bits) to the ANSI colour order
// (red, green, blue bits).
int ansi_colour(uint16_t colour) {
    return ((colour & 1) << 2) | (colour & 2) | ((colour & 4) >> 2);
}

}  // namespace

uint16_t console_attribute() {
    return current_attribute;
}

void console_set_attribute(uint16_t attribute) {
    current_attribute = attribute;
    if (!::isatty(STDOUT_FILENO)) {
        return;
    }
    const int foreground = ansi_colour(attribute & 0x7) + ((attribute & 0x8) ? 90 : 30);
    const int background = ansi_colour((attribute >> 4) & 0x7) + ((attribute & 0x80) ? 100 : 40);
    std::fflush(stdout);
    std::printf("\033[0;%d;%dm", foreground, background);
    std::fflush(stdout);
}

void console_set_title(const char* title) {
    if (::isatty(STDOUT_FILENO)) {
        std::printf("\033]0;%s\007", title);
        std::fflush(stdout);
    }
}

int console_read_key() {
    std::fflush(stdout);
    if (!::isatty(STDIN_FILENO)) {
        const int key = std::getchar();
        return key == EOF ? CONSOLE_END_OF_INPUT : key;
    }
    termios saved{};
    ::tcgetattr(STDIN_FILENO, &saved);
    termios raw = saved;
    raw.c_lflag &= ~static_cast<tcflag_t>(ICANON | ECHO);
    raw.c_cc[VMIN] = 1;
    raw.c_cc[VTIME] = 0;
    ::tcsetattr(STDIN_FILENO, TCSANOW, &raw);
    unsigned char key = 0;
    const ssize_t got = ::read(STDIN_FILENO, &key, 1);
    ::tcsetattr(STDIN_FILENO, TCSANOW, &saved);
    return got == 1 ? key : CONSOLE_END_OF_INPUT;
}

void console_drop_typed_ahead() {
    if (::isatty(STDIN_FILENO)) {
        ::tcflush(STDIN_FILENO, TCIFLUSH);
    }
}

}  // namespace platform

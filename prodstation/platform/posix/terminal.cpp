#include "platform/terminal.h"

#include <signal.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <initializer_list>

namespace station {

namespace {

constexpr int DEFAULT_COLUMNS = 80;
volatile sig_atomic_t interrupted = 0;
termios cooked{};
bool keys_single = false;

void note_interruption(int) {
    interrupted = 1;
}

}  // namespace

bool interactive_terminal() {
    return ::isatty(STDIN_FILENO) != 0 && ::isatty(STDOUT_FILENO) != 0;
}

void terminal_keys(bool single) {
    if (single == keys_single) {
        return;
    }
    if (single) {
        ::tcgetattr(STDIN_FILENO, &cooked);
        termios raw = cooked;
        raw.c_lflag &= ~static_cast<tcflag_t>(ICANON | ECHO);
        raw.c_cc[VMIN] = 0;
        raw.c_cc[VTIME] = 0;
        ::tcsetattr(STDIN_FILENO, TCSANOW, &raw);
    } else {
        ::tcsetattr(STDIN_FILENO, TCSANOW, &cooked);
    }
    keys_single = single;
}

int terminal_key() {
    unsigned char key = 0;
    return ::read(STDIN_FILENO, &key, 1) == 1 ? key : NO_KEY;
}

int terminal_columns() {
    winsize size{};
    if (::ioctl(STDOUT_FILENO, TIOCGWINSZ, &size) != 0 || size.ws_col == 0) {
        return DEFAULT_COLUMNS;
    }
    return size.ws_col;
}

void watch_interruption() {
    struct sigaction action {};
    action.sa_handler = note_interruption;
    sigemptyset(&action.sa_mask);
    for (const int signal_number : {SIGINT, SIGTERM, SIGHUP}) {
        ::sigaction(signal_number, &action, nullptr);
    }
    // A tool that ends while the station writes to it must not end the station.
    ::signal(SIGPIPE, SIG_IGN);
}

bool interruption_requested() {
    return interrupted != 0;
}

}  // namespace station

#include "platform/console.h"

#include <fcntl.h>
#include <signal.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>

namespace platform {

namespace {

// A terminal's colours cannot be read: the attribute it starts with stands
// for the terminal's own colours, whatever they are, and setting it again
// resets the terminal's attributes instead of choosing a colour.
constexpr uint16_t OWN_COLOURS_ATTRIBUTE = 0x07;
uint16_t current_attribute = OWN_COLOURS_ATTRIBUTE;

// Console colour code (blue, green, red bits) to the ANSI colour order
// (red, green, blue bits).
int ansi_colour(uint16_t colour) {
    return ((colour & 1) << 2) | (colour & 2) | ((colour & 4) >> 2);
}

// What an interrupted run must put back, kept where the signal handler can
// reach it without a call that is unsafe there.
bool stdout_is_terminal = false;
volatile sig_atomic_t title_saved = 0;
volatile sig_atomic_t keys_raw = 0;
termios cooked_keys{};

constexpr int INTERRUPTING_SIGNALS[] = {SIGINT, SIGTERM, SIGHUP, SIGQUIT};

constexpr char RESET_COLOUR[] = "\033[0m";
// The terminal keeps a stack of window titles: the first title the tool
// sets pushes the one the terminal showed, an interruption pops it.
constexpr char PUSH_TITLE[] = "\033[22;0t";
constexpr char POP_TITLE[] = "\033[23;0t";

void write_to_terminal(const char* text, size_t bytes) {
    while (bytes > 0) {
        const ssize_t written = ::write(STDOUT_FILENO, text, bytes);
        if (written <= 0) {
            return;
        }
        text += written;
        bytes -= static_cast<size_t>(written);
    }
}

// Ctrl-C, a terminating signal or a closed terminal: the console as it was,
// then exit code 1 without the exit handlers of a normal end. Handlers
// registered for a quick exit still run (the simulated drive saves itself
// there).
void end_interrupted_run(int) {
    if (keys_raw != 0) {
        ::tcsetattr(STDIN_FILENO, TCSANOW, &cooked_keys);
    }
    if (stdout_is_terminal) {
        write_to_terminal(RESET_COLOUR, sizeof RESET_COLOUR - 1);
        if (title_saved != 0) {
            write_to_terminal(POP_TITLE, sizeof POP_TITLE - 1);
        }
    }
    std::quick_exit(1);
}

// A signal ignored when the tool started (nohup, a background job) stays
// ignored.
bool end_run_on_interruption() {
    stdout_is_terminal = ::isatty(STDOUT_FILENO) != 0;
    struct sigaction action {};
    action.sa_handler = end_interrupted_run;
    sigfillset(&action.sa_mask);
    for (const int signal_number : INTERRUPTING_SIGNALS) {
        struct sigaction before {};
        if (::sigaction(signal_number, nullptr, &before) == 0 && before.sa_handler != SIG_IGN) {
            ::sigaction(signal_number, &action, nullptr);
        }
    }
    return true;
}

// Whoever uses the console gets its restoring end from the start of the run.
const bool interruption_handled = end_run_on_interruption();

}  // namespace

// A descriptor closed at the start is the lowest free one, so the null device
// opened for it lands there, in the order 0, 1, 2. Without a null device the
// station is broken: end before anything else is opened (exit code 1).
void console_open_standard_streams() {
    for (int stream = STDIN_FILENO; stream <= STDERR_FILENO; ++stream) {
        if (::fcntl(stream, F_GETFD) != -1 || errno != EBADF) {
            continue;
        }
        const int opened = ::open("/dev/null", O_RDWR);
        if (opened != stream) {
            ::_exit(1);
        }
    }
}

uint16_t console_attribute() {
    return current_attribute;
}

void console_set_attribute(uint16_t attribute) {
    current_attribute = attribute;
    if (!::isatty(STDOUT_FILENO)) {
        return;
    }
    std::fflush(stdout);
    if (attribute == OWN_COLOURS_ATTRIBUTE) {
        std::printf("%s", RESET_COLOUR);
    } else {
        const int foreground = ansi_colour(attribute & 0x7) + ((attribute & 0x8) ? 90 : 30);
        const int background = ansi_colour((attribute >> 4) & 0x7) + ((attribute & 0x80) ? 100 : 40);
        std::printf("\033[0;%d;%dm", foreground, background);
    }
    std::fflush(stdout);
}

void console_set_title(const char* title) {
    if (::isatty(STDOUT_FILENO)) {
        if (title_saved == 0) {
            std::printf("%s", PUSH_TITLE);
            title_saved = 1;
        }
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
    ::tcgetattr(STDIN_FILENO, &cooked_keys);
    termios raw = cooked_keys;
    raw.c_lflag &= ~static_cast<tcflag_t>(ICANON | ECHO);
    raw.c_cc[VMIN] = 1;
    raw.c_cc[VTIME] = 0;
    keys_raw = 1;
    ::tcsetattr(STDIN_FILENO, TCSANOW, &raw);
    unsigned char key = 0;
    const ssize_t got = ::read(STDIN_FILENO, &key, 1);
    ::tcsetattr(STDIN_FILENO, TCSANOW, &cooked_keys);
    keys_raw = 0;
    return got == 1 ? key : CONSOLE_END_OF_INPUT;
}

void console_end_answer_line() {
    if (!::isatty(STDIN_FILENO)) {
        int rest = 0;
        do {
            rest = std::getchar();
        } while (rest != '\n' && rest != EOF);
    }
}

void console_drop_typed_ahead() {
    if (::isatty(STDIN_FILENO)) {
        ::tcflush(STDIN_FILENO, TCIFLUSH);
    }
}

}  // namespace platform

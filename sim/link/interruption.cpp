#include "link/interruption.h"

#include <cstdlib>

#ifndef _WIN32
#include <signal.h>
#endif

namespace sim_link {

#ifndef _WIN32

namespace {

constexpr int INTERRUPTING_SIGNALS[] = {SIGINT, SIGTERM, SIGHUP, SIGQUIT};

sigset_t interrupting_signals() {
    sigset_t signals;
    sigemptyset(&signals);
    for (const int signal_number : INTERRUPTING_SIGNALS) {
        sigaddset(&signals, signal_number);
    }
    return signals;
}

// Holds nest: a save at exit can come inside a transfer's hold.
int holds = 0;

}  // namespace

void save_on_quick_exit(void (*save)()) {
    std::at_quick_exit(save);
}

void hold_interruptions() {
    if (holds++ == 0) {
        const sigset_t signals = interrupting_signals();
        ::sigprocmask(SIG_BLOCK, &signals, nullptr);
    }
}

void release_interruptions() {
    if (--holds == 0) {
        const sigset_t signals = interrupting_signals();
        ::sigprocmask(SIG_UNBLOCK, &signals, nullptr);
    }
}

#else

// Windows has no signals to hold.
void save_on_quick_exit(void (*)()) {}
void hold_interruptions() {}
void release_interruptions() {}

#endif

}  // namespace sim_link

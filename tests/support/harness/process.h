// Starting a program and waiting for it, the harness's one contact with the
// operating system.
#pragma once

#include <string>
#include <utility>
#include <vector>

namespace e2e {

struct Launch {
    std::string directory;
    std::string program;
    std::vector<std::string> args;
    // An empty path starts the program with that stream closed.
    std::string stdin_path, stdout_path, stderr_path;
    std::vector<std::pair<std::string, std::string>> env;  // set on top of the harness's own environment
    // The program sees its directory read-only (a read-only bind mount in a
    // mount namespace of its own): nothing can be created, written or
    // removed there, by root neither.
    bool read_only_directory = false;
};

// False, with the reason, when this machine cannot give a program a
// read-only directory.
bool read_only_directories_usable(std::string* why);

// The exit code, or -1 when the program could not start or did not exit.
int run_process(const Launch& launch);

// Starts the program without waiting: its process id, or -1.
int start_process(const Launch& launch);

// Waits for a started program at most `seconds` (-1: for ever). The exit
// code, or -1 when it ended otherwise or, with `ended` false, not yet.
int wait_process(int pid, int seconds, bool* ended);

// Sends the signal to a started program; false when it cannot be sent.
bool signal_process(int pid, int signal_number);

// A question the program asks on its terminal and the keys an operator types
// once it shows: a line ending in '\r' (a count, Enter) or a single key.
struct TerminalAnswer {
    std::string question;
    std::string keys;
};

// Runs the program with a new pseudo terminal as its controlling terminal,
// standard input, output and error, as at a station's console (the stdin,
// stdout and stderr paths are not used). The answers are typed in order, each
// once its question has shown after the previous answer; a single key only
// once the program reads the terminal key by key. `shown` receives all the
// terminal showed: the program's output and the echo of typed lines. The exit
// code, or -1 when the program did not exit within `seconds` (it is killed).
int run_on_terminal(const Launch& launch, const std::vector<TerminalAnswer>& answers, int seconds,
                    std::string* shown);

// A named pipe at `path`: a program given it as standard input waits for
// input until the writer closes it, as at a console nobody answers.
bool make_named_pipe(const std::string& path);

}  // namespace e2e

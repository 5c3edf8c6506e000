// A tool started by the station: its console output through one pipe
// (standard output and standard error, as a console shows both), its
// standard input a pipe the station answers through, or closed.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace station {

struct ChildLaunch {
    std::string program;
    std::vector<std::string> args;
    std::string directory;
    std::vector<std::pair<std::string, std::string>> env;  // set on top of the station's own environment
    bool answerable = false;  // false: standard input closed, so no question waits
};

// Handles of the operating system: process id and descriptors on POSIX,
// process and pipe handles on Win32.
struct ChildProcess {
    int64_t id = -1;
    intptr_t process = -1;
    intptr_t output = -1;
    intptr_t input = -1;
};

// False, with a reason, when the program cannot be started. The child has a
// process group of its own: the operator's Ctrl-C reaches the station alone,
// which passes it on (interrupt_child).
bool start_child(const ChildLaunch& launch, ChildProcess* child, std::string* reason);

// Appends the output waiting, without blocking. False once the output has
// ended (every writer gone).
bool read_child_output(ChildProcess* child, std::string* out);

bool write_child_input(ChildProcess* child, std::string_view text);

// True once the child has ended, with its exit code (1 for an end by a
// signal); releases its handles.
bool child_ended(ChildProcess* child, int* exit_code);

// What a Ctrl-C on the tool's own console would do.
void interrupt_child(const ChildProcess& child);

}  // namespace station

#include "platform/child_process.h"

#include <errno.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>

namespace station {

namespace {

constexpr int EXEC_FAILED = 127;

void close_descriptor(intptr_t* descriptor) {
    if (*descriptor >= 0) {
        ::close(static_cast<int>(*descriptor));
        *descriptor = -1;
    }
}

// In the child, between fork and exec: only calls that are safe there.
[[noreturn]] void become_tool(const ChildLaunch& launch, char* const* argv, int input, int output) {
    ::setpgid(0, 0);
    ::dup2(input, STDIN_FILENO);
    ::dup2(output, STDOUT_FILENO);
    ::dup2(output, STDERR_FILENO);
    if (::chdir(launch.directory.c_str()) != 0) {
        ::_exit(EXEC_FAILED);
    }
    ::execv(argv[0], argv);
    ::_exit(EXEC_FAILED);
}

}  // namespace

bool start_child(const ChildLaunch& launch, ChildProcess* child, std::string* reason) {
    if (::access(launch.program.c_str(), X_OK) != 0) {
        *reason = std::strerror(errno);
        return false;
    }
    std::vector<std::string> words = {launch.program};
    words.insert(words.end(), launch.args.begin(), launch.args.end());
    std::vector<char*> argv;
    for (std::string& word : words) {
        argv.push_back(word.data());
    }
    argv.push_back(nullptr);

    int output[2] = {-1, -1};
    int input[2] = {-1, -1};
    if (::pipe2(output, O_CLOEXEC) != 0 || ::pipe2(input, O_CLOEXEC) != 0) {
        *reason = std::strerror(errno);
        return false;
    }
    if (!launch.answerable) {
        ::close(input[1]);
        input[1] = -1;
    }
    // The environment is set in the station before the fork: setenv is no
    // call for the child between fork and exec.
    for (const auto& [name, value] : launch.env) {
        ::setenv(name.c_str(), value.c_str(), 1);
    }
    const pid_t pid = ::fork();
    if (pid == 0) {
        become_tool(launch, argv.data(), input[0], output[1]);
    }
    ::close(input[0]);
    ::close(output[1]);
    if (pid < 0) {
        *reason = std::strerror(errno);
        ::close(output[0]);
        if (input[1] >= 0) {
            ::close(input[1]);
        }
        return false;
    }
    ::setpgid(pid, pid);  // also here, so that it holds before the first Ctrl-C
    ::fcntl(output[0], F_SETFL, O_NONBLOCK);
    child->id = pid;
    child->process = pid;
    child->output = output[0];
    child->input = input[1];
    return true;
}

bool read_child_output(ChildProcess* child, std::string* out) {
    if (child->output < 0) {
        return false;
    }
    char buffer[4096];
    for (;;) {
        const ssize_t got = ::read(static_cast<int>(child->output), buffer, sizeof buffer);
        if (got > 0) {
            out->append(buffer, static_cast<size_t>(got));
        } else if (got < 0 && (errno == EAGAIN || errno == EINTR)) {
            return true;
        } else {
            close_descriptor(&child->output);
            return false;
        }
    }
}

bool write_child_input(ChildProcess* child, std::string_view text) {
    if (child->input < 0) {
        return false;
    }
    return ::write(static_cast<int>(child->input), text.data(), text.size()) ==
           static_cast<ssize_t>(text.size());
}

bool child_ended(ChildProcess* child, int* exit_code) {
    int status = 0;
    if (::waitpid(static_cast<pid_t>(child->id), &status, WNOHANG) != child->id) {
        return false;
    }
    *exit_code = WIFEXITED(status) ? WEXITSTATUS(status) : 1;
    close_descriptor(&child->input);
    return true;
}

void interrupt_child(const ChildProcess& child) {
    ::kill(static_cast<pid_t>(child.id), SIGINT);
}

}  // namespace station

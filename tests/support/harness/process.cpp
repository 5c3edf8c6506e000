#include "process.h"

#include <fcntl.h>
#include <poll.h>
#include <sched.h>
#include <signal.h>
#include <sys/ioctl.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <thread>

namespace e2e {

namespace {

constexpr int EXEC_FAILED = 127;

void redirect(const std::string& path, int flags, int fd) {
    if (path.empty()) {
        ::close(fd);
        return;
    }
    const int opened = ::open(path.c_str(), flags | O_CLOEXEC, 0644);
    if (opened < 0 || ::dup2(opened, fd) < 0) {
        ::_exit(EXEC_FAILED);
    }
}

// In the calling process (a child about to start the program): a mount
// namespace of its own in which `dir` is a read-only bind mount of itself.
bool make_read_only(const std::string& dir) {
    return ::unshare(CLONE_NEWNS) == 0 && ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) == 0 &&
           ::mount(dir.c_str(), dir.c_str(), nullptr, MS_BIND, nullptr) == 0 &&
           ::mount(nullptr, dir.c_str(), nullptr, MS_BIND | MS_REMOUNT | MS_RDONLY, nullptr) == 0;
}

// In the child: the launch's directory and environment, then the program.
[[noreturn]] void exec_launch(const Launch& launch) {
    std::vector<char*> argv;
    argv.push_back(const_cast<char*>(launch.program.c_str()));
    for (const std::string& arg : launch.args) {
        argv.push_back(const_cast<char*>(arg.c_str()));
    }
    argv.push_back(nullptr);
    if ((launch.read_only_directory && !make_read_only(launch.directory)) ||
        ::chdir(launch.directory.c_str()) != 0) {
        ::_exit(EXEC_FAILED);
    }
    for (const auto& [name, value] : launch.env) {
        ::setenv(name.c_str(), value.c_str(), 1);
    }
    ::execvp(launch.program.c_str(), argv.data());
    ::_exit(EXEC_FAILED);
}

// In the child: a session of its own whose controlling terminal is the
// terminal's other side, on standard input, output and error. Output goes out
// as written (no line-end translation), so that it can be compared byte for
// byte; typed lines are echoed as a terminal does.
void attach_terminal(const char* terminal_name) {
    ::setsid();
    const int terminal = ::open(terminal_name, O_RDWR);
    if (terminal < 0 || ::ioctl(terminal, TIOCSCTTY, 0) != 0) {
        ::_exit(EXEC_FAILED);
    }
    termios modes{};
    ::tcgetattr(terminal, &modes);
    modes.c_oflag &= ~static_cast<tcflag_t>(OPOST);
    ::tcsetattr(terminal, TCSANOW, &modes);
    for (int fd = 0; fd <= 2; ++fd) {
        ::dup2(terminal, fd);
    }
    ::close(terminal);
}

bool reads_key_by_key(int terminal) {
    termios modes{};
    return ::tcgetattr(terminal, &modes) == 0 && (modes.c_lflag & ICANON) == 0;
}

// Types the next answer once its question has shown after `from`.
void answer_when_asked(int terminal, const std::string& shown, const std::vector<TerminalAnswer>& answers,
                       size_t* next, size_t* from) {
    if (*next == answers.size()) {
        return;
    }
    const TerminalAnswer& answer = answers[*next];
    const size_t asked = shown.find(answer.question, *from);
    const bool single_key = !answer.keys.ends_with('\r');
    if (asked == std::string::npos || (single_key && !reads_key_by_key(terminal))) {
        return;
    }
    if (::write(terminal, answer.keys.data(), answer.keys.size()) ==
        static_cast<ssize_t>(answer.keys.size())) {
        *from = asked + answer.question.size();
        ++*next;
    }
}

}  // namespace

int start_process(const Launch& launch) {
    const pid_t child = ::fork();
    if (child == 0) {
        redirect(launch.stdin_path, O_RDONLY, 0);
        redirect(launch.stdout_path, O_WRONLY | O_CREAT | O_TRUNC, 1);
        redirect(launch.stderr_path, O_WRONLY | O_CREAT | O_TRUNC, 2);
        exec_launch(launch);
    }
    return child < 0 ? -1 : child;
}

int run_on_terminal(const Launch& launch, const std::vector<TerminalAnswer>& answers, int seconds,
                    std::string* shown) {
    shown->clear();
    const int terminal = ::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (terminal < 0 || ::grantpt(terminal) != 0 || ::unlockpt(terminal) != 0) {
        return -1;
    }
    const std::string terminal_name = ::ptsname(terminal);
    const pid_t child = ::fork();
    if (child == 0) {
        attach_terminal(terminal_name.c_str());
        exec_launch(launch);
    }
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
    size_t next = 0;
    size_t from = 0;
    // The terminal reads as ended once the program and all it started have
    // let go of it.
    for (bool open = child > 0; open;) {
        if (std::chrono::steady_clock::now() >= deadline) {
            ::kill(child, SIGKILL);
            break;
        }
        pollfd ready{terminal, POLLIN, 0};
        if (::poll(&ready, 1, 20) > 0) {
            char bytes[4096];
            const ssize_t got = ::read(terminal, bytes, sizeof bytes);
            open = got > 0 || (got < 0 && errno == EINTR);
            shown->append(bytes, got > 0 ? static_cast<size_t>(got) : 0);
        }
        answer_when_asked(terminal, *shown, answers, &next, &from);
    }
    ::close(terminal);
    bool ended = false;
    const int exit_code = child < 0 ? -1 : wait_process(child, -1, &ended);
    return std::chrono::steady_clock::now() >= deadline ? -1 : exit_code;
}

int wait_process(int pid, int seconds, bool* ended) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
    int status = 0;
    for (;;) {
        const pid_t done = ::waitpid(pid, &status, seconds < 0 ? 0 : WNOHANG);
        if (done == pid) {
            *ended = true;
            return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        }
        if (done < 0 && errno != EINTR) {
            *ended = true;
            return -1;
        }
        if (seconds >= 0 && std::chrono::steady_clock::now() >= deadline) {
            *ended = false;
            return -1;
        }
        if (seconds >= 0) {
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
    }
}

bool signal_process(int pid, int signal_number) {
    return ::kill(pid, signal_number) == 0;
}

bool make_named_pipe(const std::string& path) {
    return ::mkfifo(path.c_str(), 0600) == 0;
}

bool read_only_directories_usable(std::string* why) {
    char dir[] = "/tmp/read_only_probe_XXXXXX";
    if (::mkdtemp(dir) == nullptr) {
        *why = "no temporary directory";
        return false;
    }
    const std::string inside = std::string(dir) + "/x";
    const pid_t child = ::fork();
    if (child == 0) {
        ::_exit(make_read_only(dir) && ::mkdir(inside.c_str(), 0700) != 0 && errno == EROFS ? 0 : 1);
    }
    int status = 0;
    const bool usable =
        child > 0 && ::waitpid(child, &status, 0) == child && WIFEXITED(status) && WEXITSTATUS(status) == 0;
    ::rmdir(inside.c_str());
    ::rmdir(dir);
    if (!usable) {
        *why = "no mount namespace with a read-only bind mount can be made (it needs CAP_SYS_ADMIN)";
    }
    return usable;
}

int run_process(const Launch& launch) {
    const int child = start_process(launch);
    bool ended = false;
    return child < 0 ? -1 : wait_process(child, -1, &ended);
}

}  // namespace e2e

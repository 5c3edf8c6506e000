#include "process.h"

#include <fcntl.h>
#include <sched.h>
#include <signal.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/wait.h>
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

}  // namespace

int start_process(const Launch& launch) {
    std::vector<char*> argv;
    argv.push_back(const_cast<char*>(launch.program.c_str()));
    for (const std::string& arg : launch.args) {
        argv.push_back(const_cast<char*>(arg.c_str()));
    }
    argv.push_back(nullptr);
    const pid_t child = ::fork();
    if (child == 0) {
        if ((launch.read_only_directory && !make_read_only(launch.directory)) ||
            ::chdir(launch.directory.c_str()) != 0) {
            ::_exit(EXEC_FAILED);
        }
        redirect(launch.stdin_path, O_RDONLY, 0);
        redirect(launch.stdout_path, O_WRONLY | O_CREAT | O_TRUNC, 1);
        redirect(launch.stderr_path, O_WRONLY | O_CREAT | O_TRUNC, 2);
        for (const auto& [name, value] : launch.env) {
            ::setenv(name.c_str(), value.c_str(), 1);
        }
        ::execvp(launch.program.c_str(), argv.data());
        ::_exit(EXEC_FAILED);
    }
    return child < 0 ? -1 : child;
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

#include "mount_process.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <thread>

namespace real_binary {

namespace {

using Clock = std::chrono::steady_clock;
constexpr auto POLL = std::chrono::milliseconds(50);
constexpr int MOUNT_SECONDS = 10;
constexpr int STOP_SECONDS = 10;
constexpr int EXEC_FAILED = 127;

void redirect(const std::string& path, int flags, int fd) {
    const int opened = ::open(path.c_str(), flags | O_CLOEXEC, 0644);
    if (opened < 0 || ::dup2(opened, fd) < 0) {
        ::_exit(EXEC_FAILED);
    }
}

pid_t start(const e2e::Launch& launch) {
    std::vector<char*> argv;
    argv.push_back(const_cast<char*>(launch.program.c_str()));
    for (const std::string& arg : launch.args) {
        argv.push_back(const_cast<char*>(arg.c_str()));
    }
    argv.push_back(nullptr);
    const pid_t child = ::fork();
    if (child == 0) {
        if (::chdir(launch.directory.c_str()) != 0) {
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
    return child;
}

// The child's exit code, or -1 when it has not ended (or not normally) by
// the deadline.
int wait_until(pid_t child, Clock::time_point deadline, bool* ended) {
    for (;;) {
        int status = 0;
        if (::waitpid(child, &status, WNOHANG) == child) {
            *ended = true;
            return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        }
        if (Clock::now() >= deadline) {
            *ended = false;
            return -1;
        }
        std::this_thread::sleep_for(POLL);
    }
}

void lazy_unmount(const std::string& dir) {
    const e2e::Launch launch{
        "/", "fusermount3", {"-u", "-z", "-q", dir}, "/dev/null", "/dev/null", "/dev/null", {}};
    bool ended = false;
    const pid_t child = start(launch);
    if (child > 0) {
        wait_until(child, Clock::now() + std::chrono::seconds(STOP_SECONDS), &ended);
        if (!ended) {
            ::kill(child, SIGKILL);
            ::waitpid(child, nullptr, 0);
        }
    }
}

}  // namespace

bool fuse_usable(std::string* why) {
    const int fd = ::open("/dev/fuse", O_RDWR | O_CLOEXEC);
    if (fd < 0) {
        *why = "/dev/fuse cannot be opened";
        return false;
    }
    ::close(fd);
    return true;
}

Mount start_mount(const std::string& simdrive, const std::string& dir, const std::vector<std::string>& files,
                  const std::string& log_path) {
    e2e::Launch launch{"/", simdrive, {"mount", dir}, "/dev/null", log_path, log_path, {}};
    launch.args.insert(launch.args.end(), files.begin(), files.end());
    Mount mount{static_cast<int>(start(launch)), dir};
    const std::string first = dir + "/" + files.front().substr(files.front().find_last_of('/') + 1);
    const auto deadline = Clock::now() + std::chrono::seconds(MOUNT_SECONDS);
    struct stat st;
    while (mount.pid > 0 && ::stat(first.c_str(), &st) != 0) {
        bool ended = false;
        if (Clock::now() >= deadline || (wait_until(mount.pid, Clock::now(), &ended), ended)) {
            stop_mount(mount);
            mount.pid = -1;
            break;
        }
        std::this_thread::sleep_for(POLL);
    }
    return mount;
}

bool stop_mount(Mount& mount) {
    if (mount.pid <= 0) {
        return true;
    }
    lazy_unmount(mount.dir);
    ::kill(mount.pid, SIGTERM);
    bool ended = false;
    wait_until(mount.pid, Clock::now() + std::chrono::seconds(STOP_SECONDS), &ended);
    if (!ended) {
        ::kill(mount.pid, SIGKILL);
        ::waitpid(mount.pid, nullptr, 0);
        lazy_unmount(mount.dir);
    }
    mount.pid = -1;
    return ended;
}

int run_with_deadline(const e2e::Launch& launch, int seconds) {
    const pid_t child = start(launch);
    if (child < 0) {
        return -1;
    }
    bool ended = false;
    const int code = wait_until(child, Clock::now() + std::chrono::seconds(seconds), &ended);
    if (!ended) {
        ::kill(child, SIGKILL);
        ::waitpid(child, nullptr, 0);
    }
    return code;
}

}  // namespace real_binary

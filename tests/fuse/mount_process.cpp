#include "mount_process.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <thread>

namespace real_binary {

namespace {

using Clock = std::chrono::steady_clock;
constexpr auto POLL = std::chrono::milliseconds(50);
constexpr int MOUNT_SECONDS = 10;
constexpr int STOP_SECONDS = 10;

// Waits at most `seconds`, then kills; false when it had to be killed.
bool end_within(int pid, int seconds, int* code) {
    bool ended = false;
    *code = e2e::wait_process(pid, seconds, &ended);
    if (!ended) {
        ::kill(pid, SIGKILL);
        ::waitpid(pid, nullptr, 0);
    }
    return ended;
}

void lazy_unmount(const std::string& dir) {
    const e2e::Launch launch{
        "/", "fusermount3", {"-u", "-z", "-q", dir}, "/dev/null", "/dev/null", "/dev/null", {}};
    const int pid = e2e::start_process(launch);
    int code = 0;
    if (pid > 0) {
        end_within(pid, STOP_SECONDS, &code);
    }
}

bool exists(const std::string& path) {
    struct stat st;
    return ::stat(path.c_str(), &st) == 0;
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
    Mount mount{e2e::start_process(launch), dir};
    const std::string first = dir + "/" + files.front().substr(files.front().find_last_of('/') + 1);
    const auto deadline = Clock::now() + std::chrono::seconds(MOUNT_SECONDS);
    while (mount.pid > 0 && !exists(first)) {
        bool ended = false;
        e2e::wait_process(mount.pid, 0, &ended);
        if (ended) {
            mount.pid = -1;
            lazy_unmount(dir);
        } else if (Clock::now() >= deadline) {
            stop_mount(mount);
        } else {
            std::this_thread::sleep_for(POLL);
        }
    }
    return mount;
}

bool stop_mount(Mount& mount) {
    if (mount.pid <= 0) {
        return true;
    }
    lazy_unmount(mount.dir);
    ::kill(mount.pid, SIGTERM);
    int code = 0;
    const bool ended = end_within(mount.pid, STOP_SECONDS, &code);
    if (!ended) {
        lazy_unmount(mount.dir);
    }
    mount.pid = -1;
    return ended;
}

int run_with_deadline(const e2e::Launch& launch, int seconds) {
    const int pid = e2e::start_process(launch);
    int code = -1;
    if (pid > 0 && !end_within(pid, seconds, &code)) {
        code = -1;
    }
    return code;
}

}  // namespace real_binary

// The real-binary tests' contact with the operating system: whether FUSE
// can be used here, simdrive mount in the background with a clean unmount
// on every path, and a program run that a deadline ends.
#pragma once

#include <string>
#include <vector>

#include "process.h"

namespace real_binary {

// False, with the reason, when this machine cannot mount a FUSE file system.
bool fuse_usable(std::string* why);

struct Mount {
    int pid = -1;
    std::string dir;
};

// Starts `simdrive mount dir files...` and waits until the first file
// appears in dir; pid -1 when it does not within a few seconds.
Mount start_mount(const std::string& simdrive, const std::string& dir, const std::vector<std::string>& files,
                  const std::string& log_path);

// Unmounts lazily, stops simdrive and waits for it; false when it had to be
// killed. Safe to call twice.
bool stop_mount(Mount& mount);

// The exit code, or -1 when the program did not exit by itself within the
// deadline (it is then killed).
int run_with_deadline(const e2e::Launch& launch, int seconds);

}  // namespace real_binary

// A directory of the running test's own under the temporary directory,
// removed with it. ctest runs tests side by side, every build runs the same
// tests, and the temporary directory is shared by whoever uses the machine:
// a fixed name there would let one test remove or overwrite another's file.
// Only the process that made it removes it: a death test's child that ends
// through exit() leaves its parent's directory alone.
#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <random>
#include <string>
#include <system_error>

struct ScratchDir {
    std::filesystem::path path;
    pid_t owner = ::getpid();

    ScratchDir() {
        const testing::TestInfo* test = testing::UnitTest::GetInstance()->current_test_info();
        std::string name = test == nullptr ? std::string("outside_a_test")
                                           : std::string(test->test_suite_name()) + "." + test->name();
        std::replace(name.begin(), name.end(), '/', '_');
        std::random_device random;
        do {
            path = std::filesystem::path(testing::TempDir()) /
                   ("prodtool_" + name + "_" + std::to_string(random()));
        } while (!std::filesystem::create_directory(path));
    }
    ~ScratchDir() {
        if (::getpid() == owner) {
            std::error_code ignored;
            std::filesystem::remove_all(path, ignored);
        }
    }
    ScratchDir(const ScratchDir&) = delete;
    ScratchDir& operator=(const ScratchDir&) = delete;

    std::string file(const std::string& name) const {
        return (path / name).string();
    }
};

// Runs a statement that should end the process in a death-test child whose
// standard output goes to a file, and yields what it printed, so that a test
// can compare a fatal path's console lines exactly.
#pragma once

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>

#include "support/scratch_dir.h"

// One file for the process: the tests of one process run one after another.
inline std::string captured_output_path() {
    static const ScratchDir scratch;
    return scratch.file("captured_exit.txt");
}

inline std::string read_captured_output() {
    std::ifstream file(captured_output_path(), std::ios::binary);
    std::ostringstream text;
    text << file.rdbuf();
    return text.str();
}

// EXPECT_EXIT_CAPTURED(statement, exit_code, printed): the statement must end
// the process with exit_code; printed receives its standard output.
#define EXPECT_EXIT_CAPTURED(statement, exit_code, printed)                         \
    do {                                                                            \
        const std::string capture_path__ = captured_output_path();                  \
        std::remove(capture_path__.c_str());                                        \
        EXPECT_EXIT(                                                                \
            {                                                                       \
                if (std::freopen(capture_path__.c_str(), "w", stdout) == nullptr) { \
                    std::abort();                                                   \
                }                                                                   \
                statement;                                                          \
                std::fflush(stdout);                                                \
                std::_Exit(99);                                                     \
            },                                                                      \
            testing::ExitedWithCode(exit_code), "");                                \
        (printed) = read_captured_output();                                         \
    } while (0)

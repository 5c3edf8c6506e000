// A run interrupted on Windows (interrupted_run beside this program, on the
// same console): exit code 1 and the console's colour and title as the run
// found them. Wine delivers a real Ctrl-C (GenerateConsoleCtrlEvent to the
// whole console) and honours a Ctrl-C ignored from the start; it generates
// no Ctrl-Break (ERROR_INVALID_HANDLE) and no close, logoff or shutdown
// event, so those are handed to the console's handler by the run itself.
#include <gtest/gtest.h>
#include <windows.h>

#include <optional>
#include <string>

#include "console_window.h"
#include "host_main/console.h"
#include "platform/library.h"

namespace {

constexpr DWORD DEADLINE_MS = 20000;
constexpr char RUN_TITLE[] = "3-TG0ZQC74N9X2PW183M5B";
constexpr char STATION_TITLE[] = "station console";
constexpr WORD STATION_ATTRIBUTE = 0x1F;
constexpr DWORD HANDLER_DECLINED = 3;
constexpr DWORD UNDEFINED_EVENT = 3;

std::string console_title() {
    char title[256] = "";
    ::GetConsoleTitleA(title, sizeof title);
    return title;
}

std::string run_program() {
    char path[MAX_PATH];
    EXPECT_TRUE(platform::program_file_path(path, sizeof path));
    std::string program = path;
    return program.substr(0, program.rfind(platform::PATH_SEPARATOR) + 1) + "interrupted_run.exe";
}

struct StartedRun {
    PROCESS_INFORMATION process;
    HANDLE go;
};

HANDLE inheritable_event() {
    SECURITY_ATTRIBUTES inherited{sizeof inherited, nullptr, TRUE};
    return ::CreateEventA(&inherited, TRUE, FALSE, nullptr);
}

std::string handle_value(HANDLE handle) {
    return std::to_string(reinterpret_cast<uintptr_t>(handle));
}

// Starts the run, with a control event to hand its own handler once it may
// go on, and waits until it has changed the console.
StartedRun start_run(std::optional<DWORD> control_event) {
    const HANDLE ready = inheritable_event();
    StartedRun run{{}, inheritable_event()};
    std::string line = "\"" + run_program() + "\" " + handle_value(ready) + " " + handle_value(run.go);
    if (control_event) {
        line += " " + std::to_string(*control_event);
    }
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    EXPECT_TRUE(::CreateProcessA(nullptr, line.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup,
                                 &run.process))
        << line;
    EXPECT_EQ(::WaitForSingleObject(ready, DEADLINE_MS), WAIT_OBJECT_0) << "the run never got ready";
    ::CloseHandle(ready);
    return run;
}

DWORD exit_code_at_end(StartedRun& run) {
    const HANDLE process = run.process.hProcess;
    if (::WaitForSingleObject(process, DEADLINE_MS) != WAIT_OBJECT_0) {
        ADD_FAILURE() << "the run did not end";
        ::TerminateProcess(process, 99);
        ::WaitForSingleObject(process, INFINITE);
    }
    DWORD code = 0;
    ::GetExitCodeProcess(process, &code);
    ::CloseHandle(run.process.hThread);
    ::CloseHandle(process);
    ::CloseHandle(run.go);
    return code;
}

HANDLE own_ctrl_c_seen = nullptr;

BOOL WINAPI keep_tests_running(DWORD) {
    ::SetEvent(own_ctrl_c_seen);
    return TRUE;
}

// The operator's Ctrl-C reaches every process on the console, this one too:
// it is kept running until its own Ctrl-C has come.
bool press_ctrl_c() {
    own_ctrl_c_seen = ::CreateEventA(nullptr, TRUE, FALSE, nullptr);
    ::SetConsoleCtrlHandler(keep_tests_running, TRUE);
    const bool delivered = ::GenerateConsoleCtrlEvent(CTRL_C_EVENT, 0) &&
                           ::WaitForSingleObject(own_ctrl_c_seen, DEADLINE_MS) == WAIT_OBJECT_0;
    ::SetConsoleCtrlHandler(keep_tests_running, FALSE);
    ::CloseHandle(own_ctrl_c_seen);
    return delivered;
}

TEST_F(ConsoleWindow, AnInterruptionPutsBackColourAndTitleAndEndsWithExitCode1) {
    const struct {
        const char* name;
        std::optional<DWORD> handed_event;  // none: the operator presses Ctrl-C
        DWORD exit_code;
    } interruptions[] = {
        {"Ctrl-C pressed", std::nullopt, 1},
        {"Ctrl-C", CTRL_C_EVENT, 1},
        {"Ctrl-Break", CTRL_BREAK_EVENT, 1},
        {"console closed", CTRL_CLOSE_EVENT, 1},
        {"logoff", CTRL_LOGOFF_EVENT, 1},
        {"shutdown", CTRL_SHUTDOWN_EVENT, 1},
        {"no console event", UNDEFINED_EVENT, HANDLER_DECLINED},
    };
    for (const auto& interruption : interruptions) {
        SCOPED_TRACE(interruption.name);
        ::SetConsoleTextAttribute(output(), STATION_ATTRIBUTE);
        ::SetConsoleTitleA(STATION_TITLE);
        StartedRun run = start_run(interruption.handed_event);
        EXPECT_EQ(screen_attribute(), ERROR_COLOUR);
        EXPECT_EQ(console_title(), RUN_TITLE);
        if (interruption.handed_event) {
            ::SetEvent(run.go);
        } else {
            EXPECT_TRUE(press_ctrl_c());
        }
        const DWORD exit_code = exit_code_at_end(run);
        EXPECT_EQ(exit_code, interruption.exit_code);
        const bool put_back = exit_code == 1;
        EXPECT_EQ(screen_attribute(), put_back ? STATION_ATTRIBUTE : ERROR_COLOUR);
        EXPECT_EQ(console_title(), put_back ? STATION_TITLE : RUN_TITLE);
    }
}

// Started with Ctrl-C ignored (as a new process group, or from a starter
// that ignores it), the run lets it pass and goes on to its normal end; a run
// beside it that heeds Ctrl-C shows that it came. Wine keeps such a process
// from Ctrl-C even when it asks for it again, so only Windows would show here
// a run that took back the Ctrl-C it was started without.
TEST_F(ConsoleWindow, CtrlCIgnoredWhenTheRunStartedStaysIgnored) {
    ASSERT_TRUE(::SetConsoleCtrlHandler(nullptr, TRUE));
    StartedRun ignoring = start_run(std::nullopt);
    ASSERT_TRUE(::SetConsoleCtrlHandler(nullptr, FALSE));
    StartedRun heeding = start_run(std::nullopt);
    EXPECT_TRUE(press_ctrl_c());
    EXPECT_EQ(exit_code_at_end(heeding), 1u);
    EXPECT_EQ(::WaitForSingleObject(ignoring.process.hProcess, 500), static_cast<DWORD>(WAIT_TIMEOUT));
    ::SetEvent(ignoring.go);
    EXPECT_EQ(exit_code_at_end(ignoring), 0u);
}

// With its output in a file, where no colour or title is shown, the run
// still ends with exit code 1.
TEST(RedirectedInterruption, TheRunEndsWithExitCode1) {
    StartedRun run = start_run(CTRL_CLOSE_EVENT);
    ::SetEvent(run.go);
    EXPECT_EQ(exit_code_at_end(run), 1u);
}

}  // namespace

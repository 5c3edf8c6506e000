#include "platform/child_process.h"

#include <windows.h>

namespace station {

namespace {

HANDLE as_handle(intptr_t value) {
    return reinterpret_cast<HANDLE>(value);
}

intptr_t as_value(HANDLE handle) {
    return reinterpret_cast<intptr_t>(handle);
}

void close_handle(intptr_t* handle) {
    if (*handle != -1) {
        ::CloseHandle(as_handle(*handle));
        *handle = -1;
    }
}

std::string system_message(DWORD error) {
    char text[256] = {};
    ::FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, error, 0, text,
                     sizeof text, nullptr);
    std::string message = text;
    while (!message.empty() && (message.back() == '\n' || message.back() == '\r' || message.back() == '.')) {
        message.pop_back();
    }
    return message;
}

// One argument as the C runtime of the child splits its command line.
std::string quoted(const std::string& word) {
    if (!word.empty() && word.find_first_of(" \t\"") == std::string::npos) {
        return word;
    }
    std::string out = "\"";
    size_t backslashes = 0;
    for (const char c : word) {
        if (c == '\\') {
            ++backslashes;
            continue;
        }
        out.append(c == '"' ? backslashes * 2 + 1 : backslashes, '\\');
        backslashes = 0;
        out += c;
    }
    out.append(backslashes * 2, '\\');
    return out + "\"";
}

// A pipe whose child end alone is inherited.
bool make_pipe(HANDLE* read_end, HANDLE* write_end, bool child_reads) {
    SECURITY_ATTRIBUTES inherited{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
    if (::CreatePipe(read_end, write_end, &inherited, 0) == 0) {
        return false;
    }
    ::SetHandleInformation(child_reads ? *write_end : *read_end, HANDLE_FLAG_INHERIT, 0);
    return true;
}

}  // namespace

bool start_child(const ChildLaunch& launch, ChildProcess* child, std::string* reason) {
    std::string command_line = quoted(launch.program);
    for (const std::string& arg : launch.args) {
        command_line += " " + quoted(arg);
    }
    HANDLE output_read = nullptr, output_write = nullptr, input_read = nullptr, input_write = nullptr;
    if (!make_pipe(&output_read, &output_write, false) || !make_pipe(&input_read, &input_write, true)) {
        *reason = system_message(::GetLastError());
        return false;
    }
    for (const auto& [name, value] : launch.env) {
        ::SetEnvironmentVariableA(name.c_str(), value.c_str());
    }
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = input_read;
    startup.hStdOutput = output_write;
    startup.hStdError = output_write;
    PROCESS_INFORMATION process{};
    // A process group of its own: the console's Ctrl-C reaches the station
    // alone, which passes it on as the group's Ctrl-Break.
    const BOOL started =
        ::CreateProcessA(launch.program.c_str(), command_line.data(), nullptr, nullptr, TRUE,
                         CREATE_NEW_PROCESS_GROUP, nullptr, launch.directory.c_str(), &startup, &process);
    const DWORD error = ::GetLastError();
    ::CloseHandle(output_write);
    ::CloseHandle(input_read);
    if (started == 0) {
        ::CloseHandle(output_read);
        ::CloseHandle(input_write);
        *reason = system_message(error);
        return false;
    }
    ::CloseHandle(process.hThread);
    child->id = process.dwProcessId;
    child->process = as_value(process.hProcess);
    child->output = as_value(output_read);
    child->input = as_value(input_write);
    if (!launch.answerable) {
        close_handle(&child->input);
    }
    return true;
}

bool read_child_output(ChildProcess* child, std::string* out) {
    if (child->output == -1) {
        return false;
    }
    for (;;) {
        DWORD waiting = 0;
        if (::PeekNamedPipe(as_handle(child->output), nullptr, 0, nullptr, &waiting, nullptr) == 0) {
            close_handle(&child->output);
            return false;
        }
        if (waiting == 0) {
            return true;
        }
        char buffer[4096];
        DWORD got = 0;
        const DWORD wanted = waiting < sizeof buffer ? waiting : static_cast<DWORD>(sizeof buffer);
        if (::ReadFile(as_handle(child->output), buffer, wanted, &got, nullptr) == 0) {
            close_handle(&child->output);
            return false;
        }
        out->append(buffer, got);
    }
}

bool write_child_input(ChildProcess* child, std::string_view text) {
    if (child->input == -1) {
        return false;
    }
    DWORD written = 0;
    return ::WriteFile(as_handle(child->input), text.data(), static_cast<DWORD>(text.size()), &written,
                       nullptr) != 0 &&
           written == text.size();
}

bool child_ended(ChildProcess* child, int* exit_code) {
    if (::WaitForSingleObject(as_handle(child->process), 0) != WAIT_OBJECT_0) {
        return false;
    }
    DWORD code = 1;
    ::GetExitCodeProcess(as_handle(child->process), &code);
    *exit_code = static_cast<int>(code);
    close_handle(&child->process);
    close_handle(&child->input);
    return true;
}

void interrupt_child(const ChildProcess& child) {
    ::GenerateConsoleCtrlEvent(CTRL_BREAK_EVENT, static_cast<DWORD>(child.id));
}

}  // namespace station

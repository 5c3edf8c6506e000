// colour_witness <file> <attribute in hex> <program> [<argument>...]
// Sets the console's character attribute, runs the program in the same
// console and waits for it, then writes to the file the attribute the program
// started with and the one it left behind, as two hex digits each on a line.
// Ends with the program's exit code.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

WORD console_attribute() {
    CONSOLE_SCREEN_BUFFER_INFO info{};
    return ::GetConsoleScreenBufferInfo(::GetStdHandle(STD_OUTPUT_HANDLE), &info) ? info.wAttributes : 0xFFFF;
}

std::string command_line(int argc, char** argv) {
    std::string line;
    for (int i = 0; i < argc; ++i) {
        line += (i > 0 ? " \"" : "\"") + std::string(argv[i]) + "\"";
    }
    return line;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 4) {
        std::fprintf(stderr, "usage: colour_witness <file> <attribute in hex> <program> [<argument>...]\n");
        return 2;
    }
    ::SetConsoleTextAttribute(::GetStdHandle(STD_OUTPUT_HANDLE),
                              static_cast<WORD>(std::strtoul(argv[2], nullptr, 16)));
    const WORD before = console_attribute();

    std::string line = command_line(argc - 3, argv + 3);
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    if (!::CreateProcessA(nullptr, line.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup,
                          &process)) {
        std::fprintf(stderr, "colour_witness: cannot start %s\n", argv[3]);
        return 2;
    }
    ::WaitForSingleObject(process.hProcess, INFINITE);
    DWORD exit_code = 2;
    ::GetExitCodeProcess(process.hProcess, &exit_code);
    ::CloseHandle(process.hThread);
    ::CloseHandle(process.hProcess);

    std::FILE* file = std::fopen(argv[1], "wb");
    if (file == nullptr) {
        return 2;
    }
    std::fprintf(file, "%02x\n%02x\n", before, console_attribute());
    std::fclose(file);
    return static_cast<int>(exit_code);
}

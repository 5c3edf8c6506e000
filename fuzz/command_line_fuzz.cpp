// The operator's command line: the input is the arguments after the
// program name, each ended by a zero byte.
#include <cstdint>
#include <string>
#include <vector>

#include "host_mass_production/command_line.h"
#include "support/fuzz_run.h"

namespace {

// Kept outside the run: a fatal end leaves its frames without destructors.
std::vector<std::string> arguments;
std::vector<const char*> argv;

void read_arguments() {
    RunOptions options;
    read_command_line(static_cast<int>(argv.size()), argv.data(), &options);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    arguments.assign(1, "");
    for (size_t i = 0; i < size; ++i) {
        if (data[i] == 0) {
            arguments.emplace_back();
        } else {
            arguments.back().push_back(static_cast<char>(data[i]));
        }
    }
    argv.assign(1, "prodtool");
    for (const std::string& argument : arguments) {
        argv.push_back(argument.c_str());
    }
    start_fuzz_run();
    run_to_fatal_end(read_arguments);
    return 0;
}

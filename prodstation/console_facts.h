// What a station learns from a tool's console output: the drive's identity
// texts, the "ERROR: " lines, the factory-bad share of each chip, the last
// thing the tool printed and the question it waits on.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace station {

struct FactoryBad {
    unsigned bank = 0;
    std::string chip;  // "low" or "high"
    unsigned blocks = 0;
    double percent = 0;
};

// A question the tool waits on. `keys` are the single keys it takes; empty
// for a count, which is typed as digits and ended with Enter.
struct Question {
    std::string text;
    std::string keys;
};

struct ConsoleFacts {
    std::optional<std::string> serial, fw_revision, model;
    std::vector<std::string> errors;
    std::vector<FactoryBad> factory_bad;
    std::string last_line;  // the last non-empty line or progress line
    std::optional<Question> question;
    std::string pending;  // output after the last line end
};

// Takes the next piece of output, as it arrives.
void read_console(ConsoleFacts* facts, std::string_view output);

}  // namespace station

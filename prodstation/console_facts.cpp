#include "console_facts.h"

#include <cstdio>
#include <cstring>

namespace station {

namespace {

constexpr char ANY_KEY[] = "\n";

// Questions the tool asks without ending the line; it waits right after them.
struct OpenQuestion {
    const char* ending;
    const char* keys;
};
constexpr OpenQuestion OPEN_QUESTIONS[] = {
    {"Proceed ?", "yn"},
    {"FTL fragmentation ?", "yn"},
    {"Flash BIST count = ", ""},
    {"Flash timing test size = ", ""},
};

// Lines after which the tool waits for any key; the jumper message stands on
// the line before its "[press any key]".
constexpr char PRESS_ANY_KEY[] = "[press any key]";
constexpr char PRESS_ANY_KEY_TO_FINISH[] = "press any key to finish";

std::optional<std::string> text_after(std::string_view line, std::string_view label) {
    if (line.substr(0, label.size()) != label) {
        return std::nullopt;
    }
    return std::string(line.substr(label.size()));
}

// "%u bad blocks = %.2f%% in  low bank %u=%c%u" and its "high" twin, from
// the initial scan's report.
std::optional<FactoryBad> factory_bad_line(const std::string& line) {
    FactoryBad bad;
    char chip[5] = {};
    if (std::sscanf(line.c_str(), "%u bad blocks = %lf%% in %4s bank %u=", &bad.blocks, &bad.percent, chip,
                    &bad.bank) != 4) {
        return std::nullopt;
    }
    bad.chip = chip;
    if (bad.chip != "low" && bad.chip != "high") {
        return std::nullopt;
    }
    return bad;
}

void read_line(ConsoleFacts* facts, const std::string& line) {
    if (line.empty()) {
        return;
    }
    if (line == PRESS_ANY_KEY) {
        facts->question = Question{facts->last_line, ANY_KEY};
        return;
    }
    facts->question.reset();
    if (line == PRESS_ANY_KEY_TO_FINISH) {
        facts->question = Question{line, ANY_KEY};
    }
    facts->last_line = line;
    if (line.starts_with("ERROR: ")) {
        facts->errors.push_back(line);
    } else if (auto serial = text_after(line, "serial number = ")) {
        facts->serial = serial;
    } else if (auto given_serial = text_after(line, "Serial number = ")) {
        facts->serial = given_serial;
    } else if (auto revision = text_after(line, "Firmware revision = ")) {
        facts->fw_revision = revision;
    } else if (auto model = text_after(line, "Model number = ")) {
        facts->model = model;
    } else if (auto bad = factory_bad_line(line)) {
        facts->factory_bad.push_back(*bad);
    }
}

std::string without_trailing_blanks(std::string text) {
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) {
        text.pop_back();
    }
    return text;
}

void read_open_question(ConsoleFacts* facts) {
    for (const OpenQuestion& open : OPEN_QUESTIONS) {
        if (facts->pending.ends_with(open.ending)) {
            facts->question = Question{without_trailing_blanks(facts->pending), open.keys};
            return;
        }
    }
}

}  // namespace

void read_console(ConsoleFacts* facts, std::string_view output) {
    // Any output after a question means the tool has its answer.
    if (!output.empty()) {
        facts->question.reset();
    }
    for (const char c : output) {
        if (c == '\n' || c == '\r') {
            read_line(facts, without_trailing_blanks(facts->pending));
            facts->pending.clear();
        } else {
            facts->pending += c;
        }
    }
    if (!facts->pending.empty()) {
        read_open_question(facts);
    }
}

}  // namespace station

#include "failures.h"

#include <algorithm>
#include <array>
#include <cctype>

namespace station_report {

namespace {

constexpr std::string_view ERROR_PREFIX = "ERROR: ";
constexpr std::array<const char*, 4> STAGES{"SATA/SDRAM test", "module test", "flash test", "download"};

bool is_word_char(char c) {
    return std::isalnum(static_cast<unsigned char>(c)) || c == '_' || c == '.';
}

bool holds_digit(std::string_view word) {
    return std::any_of(word.begin(), word.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// Tabs, line ends and runs of spaces become one space; none at either end.
std::string collapse_spaces(std::string_view text) {
    std::string collapsed;
    for (char c : text) {
        const bool space = std::isspace(static_cast<unsigned char>(c)) != 0;
        if (!space) {
            collapsed += c;
        } else if (!collapsed.empty() && collapsed.back() != ' ') {
            collapsed += ' ';
        }
    }
    if (!collapsed.empty() && collapsed.back() == ' ') {
        collapsed.pop_back();
    }
    return collapsed;
}

std::string error_text(const RunRecord& run) {
    if (run.errors.empty()) {
        return "(no ERROR line)";
    }
    std::string_view line = run.errors.front();
    const size_t prefix = line.find(ERROR_PREFIX);
    if (prefix != std::string_view::npos) {
        line.remove_prefix(prefix + ERROR_PREFIX.size());
    }
    return collapse_spaces(line);
}

void count_in(std::vector<FailureGroup>& groups, const std::string& label, const std::string& example) {
    const auto group =
        std::find_if(groups.begin(), groups.end(), [&](const FailureGroup& g) { return g.label == label; });
    if (group == groups.end()) {
        groups.push_back({label, 1, example});
    } else {
        ++group->count;
        if (group->example.empty()) {
            group->example = example;
        }
    }
}

}  // namespace

std::string mask_numbers(std::string_view text) {
    std::string masked;
    for (size_t i = 0; i < text.size();) {
        size_t end = i;
        while (end < text.size() && is_word_char(text[end])) {
            ++end;
        }
        if (end == i) {
            masked += text[i++];
            continue;
        }
        const std::string_view word = text.substr(i, end - i);
        masked += holds_digit(word) ? std::string_view("#") : word;
        i = end;
    }
    return masked;
}

std::string failure_reason(const RunRecord& run) {
    return mask_numbers(error_text(run));
}

std::vector<FailureGroup> failures_by_stage(const std::vector<RunRecord>& runs) {
    std::vector<FailureGroup> groups;
    for (const char* stage : STAGES) {
        groups.push_back({stage, 0, ""});
    }
    for (const RunRecord& run : runs) {
        if (run.result == Outcome::failed) {
            count_in(groups, run.stage.value_or("(no stage)"), error_text(run));
        }
    }
    return groups;
}

std::vector<FailureGroup> failures_by_reason(const std::vector<RunRecord>& runs, size_t most_shown) {
    std::vector<FailureGroup> groups;
    for (const RunRecord& run : runs) {
        if (run.result == Outcome::failed) {
            count_in(groups, failure_reason(run), error_text(run));
        }
    }
    std::stable_sort(groups.begin(), groups.end(),
                     [](const FailureGroup& a, const FailureGroup& b) { return a.count > b.count; });
    if (groups.size() > most_shown) {
        FailureGroup rest{"", 0, ""};
        for (size_t i = most_shown; i < groups.size(); ++i) {
            rest.count += groups[i].count;
        }
        rest.label = "other reasons (" + std::to_string(groups.size() - most_shown) + " kinds)";
        groups.resize(most_shown);
        groups.push_back(rest);
    }
    return groups;
}

}  // namespace station_report

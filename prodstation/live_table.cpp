#include "live_table.h"

#include <cstdio>

#include "run_summary.h"

namespace station {

namespace {

constexpr int SERIAL_WIDTH = 20;
constexpr int STAGE_WIDTH = 15;
constexpr int PROGRESS_WIDTH = 24;
constexpr int TIME_WIDTH = 7;

std::string cell(std::string text, int width) {
    text.resize(static_cast<size_t>(width), ' ');
    return text;
}

std::string row_state(const Port& port, bool repeat) {
    const DriveRun& run = port.run;
    if (run.running && run.console.question) {
        return "? " + run.console.question->text;
    }
    if (run.running) {
        return run.interrupted ? "ending..." : "";
    }
    std::string state = run_summary(run);
    if (repeat) {
        state = "[swap drive] " + state;
    }
    return state;
}

std::string row(const Port& port, bool focused, bool repeat) {
    const DriveRun& run = port.run;
    const auto elapsed = (run.running ? std::chrono::steady_clock::now() : run.ended) - run.started;
    char drive[16];
    std::snprintf(drive, sizeof drive, "%c%4u  ", focused ? '>' : ' ', port.drive);
    return drive + cell(run.console.serial.value_or(""), SERIAL_WIDTH) + "  " +
           cell(stage_name(last_stage(run.records)), STAGE_WIDTH) + "  " +
           cell(run.running ? run.console.last_line : "", PROGRESS_WIDTH) + "  " +
           cell(elapsed_text(elapsed), TIME_WIDTH) + row_state(port, repeat);
}

std::string keys_line(const Port& port) {
    if (port.run.running && port.run.console.question) {
        const std::string& keys = port.run.console.question->keys;
        if (keys == "yn") {
            return "drive " + std::to_string(port.drive) + ": keys y / n";
        }
        if (keys.empty()) {
            return "drive " + std::to_string(port.drive) + ": type the count, then Enter: " + port.typed;
        }
        return "drive " + std::to_string(port.drive) + ": Enter to go on";
    }
    return "drive " + std::to_string(port.drive) + ": swap the drive, then Enter starts its next run";
}

std::string help_line(const TableView& view, int waiting) {
    std::string help = "Ctrl-C: end every run";
    if (waiting > 1) {
        help = "Tab: next drive   " + help;
    }
    if (view.repeat) {
        help += "   q: end the session when every drive waits";
    }
    return help;
}

}  // namespace

bool needs_operator(const Port& port, bool repeat) {
    return port.run.running ? port.run.console.question.has_value() : repeat && port.started;
}

std::vector<std::string> table_lines(const TableView& view) {
    std::vector<std::string> lines = {"drive  " + cell("serial", SERIAL_WIDTH) + "  " +
                                      cell("stage", STAGE_WIDTH) + "  " + cell("progress", PROGRESS_WIDTH) +
                                      "  " + cell("time", TIME_WIDTH) + "result"};
    int waiting = 0;
    for (size_t i = 0; i < view.ports->size(); ++i) {
        const Port& port = (*view.ports)[i];
        lines.push_back(row(port, static_cast<int>(i) == view.focus, view.repeat));
        waiting += needs_operator(port, view.repeat) ? 1 : 0;
    }
    lines.push_back("");
    lines.push_back(view.tally);
    lines.push_back(view.focus >= 0 ? keys_line((*view.ports)[static_cast<size_t>(view.focus)]) : "");
    lines.push_back(help_line(view, waiting));
    for (std::string& line : lines) {
        if (line.size() >= static_cast<size_t>(view.columns)) {
            line.resize(static_cast<size_t>(view.columns - 1));
        }
    }
    return lines;
}

void draw_table(const std::vector<std::string>& lines, size_t* drawn) {
    std::string screen;
    if (*drawn > 0) {
        screen += "\r\033[" + std::to_string(*drawn) + "A";
    }
    for (const std::string& line : lines) {
        screen += line + "\033[K\n";
    }
    screen += "\033[J";
    std::fputs(screen.c_str(), stdout);
    std::fflush(stdout);
    *drawn = lines.size();
}

}  // namespace station

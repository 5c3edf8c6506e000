#include "operator_keys.h"

#include <algorithm>
#include <cctype>

#include "live_table.h"

namespace station {

namespace {

constexpr int TAB = '\t';
constexpr int BACKSPACE = 0x7F;
constexpr int CTRL_H = 0x08;

bool is_enter(int key) {
    return key == '\r' || key == '\n';
}

bool focusable(const Desk& desk, int index) {
    return index >= 0 && index < static_cast<int>(desk.ports->size()) &&
           needs_operator((*desk.ports)[static_cast<size_t>(index)], desk.settings->repeat);
}

void move_focus(Desk* desk) {
    const int count = static_cast<int>(desk->ports->size());
    for (int step = 1; step <= count; ++step) {
        const int next = (desk->focus + step + count) % count;
        if (focusable(*desk, next)) {
            desk->focus = next;
            return;
        }
    }
    desk->focus = -1;
}

void answer(Port* port, const std::string& text) {
    write_child_input(&port->child, text);
    port->run.console.question.reset();
    port->typed.clear();
}

void answer_count(Port* port, int key) {
    if (std::isdigit(key)) {
        port->typed += static_cast<char>(key);
    } else if ((key == BACKSPACE || key == CTRL_H) && !port->typed.empty()) {
        port->typed.pop_back();
    } else if (is_enter(key)) {
        answer(port, port->typed + "\n");
    }
}

void answer_question(Port* port, int key) {
    const std::string& keys = port->run.console.question->keys;
    if (keys.empty()) {
        answer_count(port, key);
    } else if (keys == "yn") {
        const char lower = static_cast<char>(std::tolower(key));
        if (keys.find(lower) != std::string::npos) {
            answer(port, std::string(1, lower));
        }
    } else if (is_enter(key) || key == ' ') {
        answer(port, keys);
    }
}

bool every_drive_waits(const Desk& desk) {
    return std::none_of(desk.ports->begin(), desk.ports->end(),
                        [](const Port& port) { return port.run.running; });
}

}  // namespace

void keep_focus(Desk* desk) {
    if (!focusable(*desk, desk->focus)) {
        move_focus(desk);
    }
}

void take_key(Desk* desk, int key) {
    if (key == TAB) {
        move_focus(desk);
        return;
    }
    if (key == 'q' && desk->settings->repeat && every_drive_waits(*desk)) {
        desk->quit = true;
        return;
    }
    if (desk->focus < 0) {
        return;
    }
    Port* port = &(*desk->ports)[static_cast<size_t>(desk->focus)];
    if (port->run.running) {
        answer_question(port, key);
    } else if (is_enter(key)) {
        start_run(port, *desk->settings);
    }
    keep_focus(desk);
}

}  // namespace station

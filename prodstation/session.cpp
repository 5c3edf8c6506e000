#include "session.h"

#include <algorithm>
#include <cstdio>
#include <thread>

#include "live_table.h"
#include "operator_keys.h"
#include "plain_events.h"
#include "platform/terminal.h"
#include "tally.h"

namespace station {

namespace {

constexpr auto POLL_INTERVAL = std::chrono::milliseconds(20);
constexpr auto REDRAW_INTERVAL = std::chrono::milliseconds(200);
constexpr char HIDE_CURSOR[] = "\033[?25l";
constexpr char SHOW_CURSOR[] = "\033[?25h";

struct Session {
    const StationSettings* settings = nullptr;
    std::vector<Port> ports;
    Desk desk;
    Tally tally;
    std::chrono::steady_clock::time_point start = std::chrono::steady_clock::now();
    bool interruption_passed_on = false;
    size_t drawn = 0;
};

bool any_running(const Session& session) {
    return std::any_of(session.ports.begin(), session.ports.end(),
                       [](const Port& port) { return port.run.running; });
}

// The operator's Ctrl-C goes on to every running tool, once.
void pass_interruption_on(Session* session) {
    if (session->interruption_passed_on || !interruption_requested()) {
        return;
    }
    session->interruption_passed_on = true;
    for (Port& port : session->ports) {
        if (port.run.running) {
            port.run.interrupted = true;
            interrupt_child(port.child);
        }
    }
}

void follow_ports(Session* session) {
    for (Port& port : session->ports) {
        follow_run(&port, *session->settings);
        if (!session->settings->interactive && port.run.running) {
            tell_events(&port);
        }
        if (port.started && !port.run.running && !port.counted) {
            port.counted = true;
            count_run(&session->tally, port.run);
            if (!session->settings->interactive) {
                tell_events(&port);
                tell_ended(port);
            }
        }
    }
}

void take_keys(Session* session) {
    for (int key = terminal_key(); key != NO_KEY; key = terminal_key()) {
        take_key(&session->desk, key);
    }
    keep_focus(&session->desk);
}

void draw(Session* session) {
    TableView view;
    view.ports = &session->ports;
    view.focus = session->desk.focus;
    view.repeat = session->settings->repeat;
    view.tally = tally_text(session->tally, std::chrono::steady_clock::now() - session->start);
    view.columns = terminal_columns();
    draw_table(table_lines(view), &session->drawn);
}

bool session_over(const Session& session) {
    if (any_running(session)) {
        return false;
    }
    return !session.settings->repeat || session.desk.quit || session.interruption_passed_on;
}

void start_every_port(Session* session) {
    for (Port& port : session->ports) {
        start_run(&port, *session->settings);
        if (!session->settings->interactive) {
            tell_started(port);
        }
    }
}

int exit_code(const Session& session) {
    const bool all_done = std::all_of(session.ports.begin(), session.ports.end(), [](const Port& port) {
        const Outcome result = run_result(port.run);
        return result == Outcome::produced || result == Outcome::timing_test_done;
    });
    return all_done ? 0 : 1;
}

void follow_interactive(Session* session) {
    std::fputs(HIDE_CURSOR, stdout);
    terminal_keys(true);
    auto last_draw = std::chrono::steady_clock::time_point{};
    for (;;) {
        pass_interruption_on(session);
        follow_ports(session);
        take_keys(session);
        if (session_over(*session)) {
            break;
        }
        if (std::chrono::steady_clock::now() - last_draw >= REDRAW_INTERVAL) {
            draw(session);
            last_draw = std::chrono::steady_clock::now();
        }
        std::this_thread::sleep_for(POLL_INTERVAL);
    }
    draw(session);
    terminal_keys(false);
    std::fputs(SHOW_CURSOR, stdout);
}

void follow_plain(Session* session) {
    for (;;) {
        pass_interruption_on(session);
        follow_ports(session);
        if (session_over(*session)) {
            break;
        }
        std::this_thread::sleep_for(POLL_INTERVAL);
    }
    std::printf("%s\n",
                tally_text(session->tally, std::chrono::steady_clock::now() - session->start).c_str());
}

}  // namespace

int run_session(const StationSettings& settings, std::vector<Port> ports) {
    Session session;
    session.settings = &settings;
    session.ports = std::move(ports);
    session.desk.ports = &session.ports;
    session.desk.settings = &settings;
    watch_interruption();
    start_every_port(&session);
    if (settings.interactive) {
        follow_interactive(&session);
    } else {
        follow_plain(&session);
    }
    std::fflush(stdout);
    return exit_code(session);
}

}  // namespace station

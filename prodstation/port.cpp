#include "port.h"

#include <filesystem>
#include <fstream>
#include <iterator>

#include "platform/synced_file.h"
#include "result_line.h"

namespace station {

namespace fs = std::filesystem;

namespace {

constexpr char CONSOLE_FILE[] = "console.txt";
constexpr char RECORDS_FILE[] = "stationlog.jsonl";

// "<runs>/20261211-120000-d1": the date, time and drive; a second run of the
// drive within the same second gets "-2" and on.
std::string new_run_dir(const StationSettings& settings, unsigned drive,
                        std::chrono::system_clock::time_point start) {
    const std::string name = time_text(start, "%Y%m%d-%H%M%S") + "-d" + std::to_string(drive);
    fs::path dir = fs::path(settings.runs_dir) / name;
    for (int next = 2; fs::exists(dir); ++next) {
        dir = fs::path(settings.runs_dir) / (name + "-" + std::to_string(next));
    }
    return dir.generic_string();
}

std::string read_whole(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void append_console(const Port& port, const std::string& output) {
    std::ofstream file(fs::path(port.run.run_dir) / CONSOLE_FILE, std::ios::binary | std::ios::app);
    file << output;
}

void end_run(Port* port, const StationSettings& settings, int exit_code) {
    DriveRun& run = port->run;
    run.running = false;
    run.exit_code = exit_code;
    run.end = std::chrono::system_clock::now();
    run.ended = std::chrono::steady_clock::now();
    // Whatever the tool printed last without a line end is a line of its own.
    read_console(&run.console, "\n");
    run.console.question.reset();
    run.records = read_station_records(read_whole(fs::path(run.run_dir) / RECORDS_FILE));
    if (!append_synced(results_path(settings), result_line(run))) {
        run.console.errors.push_back("ERROR: the station cannot write " + results_path(settings));
    }
}

}  // namespace

std::string results_path(const StationSettings& settings) {
    return (fs::path(settings.runs_dir) / "results.jsonl").string();
}

bool start_run(Port* port, const StationSettings& settings) {
    DriveRun& run = port->run;
    run = DriveRun{};
    run.drive = port->drive;
    run.options = settings.tool_options;
    run.options.insert(run.options.end(), port->own_options.begin(), port->own_options.end());
    run.build = settings.build;
    run.start = std::chrono::system_clock::now();
    run.started = std::chrono::steady_clock::now();
    run.run_dir = new_run_dir(settings, port->drive, run.start);
    port->started = true;
    port->output_ended = false;
    port->counted = false;
    port->typed.clear();
    port->told_stages = 0;
    port->told_serial = false;

    std::error_code error;
    fs::create_directories(run.run_dir, error);
    ChildLaunch launch;
    launch.program = settings.tool;
    launch.args = {std::to_string(port->drive)};
    launch.args.insert(launch.args.end(), run.options.begin(), run.options.end());
    launch.directory = run.run_dir;
    launch.env = {{"PRODTOOL_STATION_LOG", fs::absolute(fs::path(run.run_dir) / RECORDS_FILE).string()}};
    launch.answerable = settings.interactive;
    std::string reason;
    if (error || !start_child(launch, &port->child, &reason)) {
        run.console.errors.push_back("ERROR: the station cannot start " + settings.tool + ": " +
                                     (error ? error.message() : reason));
        end_run(port, settings, 1);
        return false;
    }
    run.running = true;
    return true;
}

bool follow_run(Port* port, const StationSettings& settings) {
    DriveRun& run = port->run;
    if (!run.running) {
        return false;
    }
    std::string output;
    port->output_ended = !read_child_output(&port->child, &output) || port->output_ended;
    if (!output.empty()) {
        append_console(*port, output);
        read_console(&run.console, output);
    }
    run.records = read_station_records(read_whole(fs::path(run.run_dir) / RECORDS_FILE));
    int exit_code = 0;
    // The output is taken to its end first, so that no last line is lost.
    if (!port->output_ended || !child_ended(&port->child, &exit_code)) {
        return false;
    }
    end_run(port, settings, exit_code);
    return true;
}

}  // namespace station

// prodstation: produces a drive on every port of the station at once, each
// by its own prodtool, shows them on one screen and records every run.
//   prodstation run [--runs DIR] [--tool PATH] [--repeat] DRIVE... [-- TOOL-OPTIONS...]
//   prodstation report [--runs DIR] [--html FILE] [--csv FILE]
#include <CLI/CLI.hpp>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "drive_arguments.h"
#include "platform/library.h"
#include "platform/terminal.h"
#include "report_command.h"
#include "session.h"

namespace {

constexpr char DEFAULT_RUNS_DIR[] = "runs";
#ifdef _WIN32
constexpr char TOOL_FILE[] = "prodtool.exe";
#else
constexpr char TOOL_FILE[] = "prodtool";
#endif

struct RunArguments {
    std::string runs_dir = DEFAULT_RUNS_DIR;
    std::string tool;
    bool repeat = false;
    std::vector<std::string> drives;
};

// The tool beside the station program.
std::string tool_beside_station() {
    char program[4096];
    if (!platform::program_file_path(program, sizeof program)) {
        return TOOL_FILE;
    }
    return (std::filesystem::path(program).parent_path() / TOOL_FILE).string();
}

int run_command(const RunArguments& arguments, const std::vector<std::string>& tool_options) {
    std::string fault;
    auto ports = station::drive_ports(arguments.drives, &fault);
    if (!ports) {
        std::fprintf(stderr, "prodstation: %s is no drive (DRIVE or DRIVE:OPTION, each drive once)\n",
                     fault.c_str());
        return 1;
    }
    station::StationSettings settings;
    settings.runs_dir = arguments.runs_dir;
    settings.tool = std::filesystem::absolute(arguments.tool.empty() ? tool_beside_station() : arguments.tool)
                        .lexically_normal()
                        .string();
    settings.build = station::tool_build(settings.tool);
    settings.tool_options = tool_options;
    settings.repeat = arguments.repeat;
    settings.interactive = station::interactive_terminal();
    if (settings.repeat && !settings.interactive) {
        std::fprintf(stderr, "prodstation: --repeat needs the operator at a terminal\n");
        return 1;
    }
    std::error_code error;
    std::filesystem::create_directories(settings.runs_dir, error);
    if (error) {
        std::fprintf(stderr, "prodstation: cannot make %s: %s\n", settings.runs_dir.c_str(),
                     error.message().c_str());
        return 1;
    }
    return station::run_session(settings, std::move(*ports));
}

// The words after "--" go to every tool as they stand.
std::vector<std::string> split_off_tool_options(int argc, char** argv, int* station_argc) {
    std::vector<std::string> tool_options;
    *station_argc = argc;
    for (int i = 1; i < argc; ++i) {
        if (std::string(argv[i]) == "--") {
            *station_argc = i;
            tool_options.assign(argv + i + 1, argv + argc);
            break;
        }
    }
    return tool_options;
}

int station_main(int argc, char** argv) {
    int station_argc = 0;
    const std::vector<std::string> tool_options = split_off_tool_options(argc, argv, &station_argc);

    CLI::App app{"Produces a drive on every station port at once and records every run."};
    app.require_subcommand(1);

    RunArguments run;
    CLI::App* run_app =
        app.add_subcommand("run", "Run prodtool on every drive given, each in its own directory");
    run_app->add_option("--runs", run.runs_dir, "Directory of the run directories and results.jsonl")
        ->capture_default_str();
    run_app->add_option("--tool", run.tool, "The tool to run (default: the prodtool beside this program)");
    run_app->add_flag("--repeat", run.repeat, "After a run, wait for the next drive on the port");
    run_app->add_option("drives", run.drives, "Drive numbers, DRIVE:S<serial> for a drive's own serial")
        ->required();
    run_app->footer("Options after -- go to every tool: L, T, B<count>, G<y|n>, F<revision>, M<model>.");

    std::string report_runs = DEFAULT_RUNS_DIR, html, csv;
    CLI::App* report_app =
        app.add_subcommand("report", "The yield of the runs as an HTML page and a CSV table");
    report_app->add_option("--runs", report_runs, "Directory of results.jsonl")->capture_default_str();
    report_app->add_option("--html", html, "The page to write");
    report_app->add_option("--csv", csv, "The table to write, one row per run");

    CLI11_PARSE(app, station_argc, argv);
    if (run_app->parsed()) {
        return run_command(run, tool_options);
    }
    return station::report_command(report_runs, html, csv);
}

}  // namespace

int main(int argc, char** argv) {
    // The command-line library reports by exceptions; none gets past here.
    try {
        return station_main(argc, argv);
    } catch (const std::exception& failure) {
        std::fprintf(stderr, "prodstation: %s\n", failure.what());
        return 1;
    }
}

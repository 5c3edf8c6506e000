#include "e2e_harness.h"

#include <chrono>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <thread>

#include "model/json.h"
#include "model/scenario.h"
#include "process.h"

namespace e2e {

namespace fs = std::filesystem;

namespace {

constexpr const char* DUMP_PREFIXES[] = {"good", "bad"};
constexpr int TERMINAL_RUN_SECONDS = 600;
constexpr size_t COMMAND_SECTOR_BYTES = 512;

StationRecord parse_record(const std::string& line) {
    StationRecord record;
    sim::JsonValue value;
    std::string error;
    if (!sim::parse_json(line, &value, &error) || value.member("call") == nullptr) {
        record.call = "unreadable: " + line;
        return record;
    }
    record.call = value.member("call")->text;
    const sim::JsonValue* args = value.member("args");
    if (args != nullptr && record.call == "write" && args->items.size() == 4) {
        record.stage = static_cast<int>(args->items[0].number);
        record.status = static_cast<int>(args->items[1].number);
        record.text = args->items[3].text;
    } else if (args != nullptr && record.call == "initialize" && args->items.size() >= 2) {
        record.stage = static_cast<int>(args->items[1].number);
    }
    return record;
}

std::vector<std::vector<uint8_t>> read_command_sectors(const fs::path& path) {
    const std::string bytes = read_file(path);
    std::vector<std::vector<uint8_t>> sectors;
    for (size_t at = 0; at + COMMAND_SECTOR_BYTES <= bytes.size(); at += COMMAND_SECTOR_BYTES) {
        sectors.emplace_back(bytes.begin() + static_cast<std::ptrdiff_t>(at),
                             bytes.begin() + static_cast<std::ptrdiff_t>(at + COMMAND_SECTOR_BYTES));
    }
    return sectors;
}

std::vector<StationRecord> read_records(const fs::path& path) {
    std::vector<StationRecord> records;
    std::ifstream in(path);
    for (std::string line; std::getline(in, line);) {
        records.push_back(parse_record(line));
    }
    return records;
}

bool is_dump_name(const std::string& name) {
    if (name == "good.bin" || name == "bad.bin") {
        return true;
    }
    return name.starts_with(DUMP_PREFIXES[1]) && name.ends_with(".bin") &&
           name.find_first_not_of("0123456789", 3) == name.size() - 4;
}

}  // namespace

std::string read_file(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

std::vector<uint32_t> built_builds() {
    std::vector<uint32_t> builds;
    std::istringstream list(E2E_BUILDS);
    for (std::string build; std::getline(list, build, ';');) {
        builds.push_back(static_cast<uint32_t>(std::stoul(build)));
    }
    return builds;
}

Station make_station(uint32_t build, const std::string& name) {
    const fs::path dir = fs::path(E2E_BINARY_DIR) / "e2e_scratch" / name;
    fs::remove_all(dir);
    fs::create_directories(dir);
    const fs::path programs = fs::path(E2E_BINARY_DIR) / ("b" + std::to_string(build));
    for (const char* file : {"prodtool-sim", "stationlog.dll"}) {
        fs::copy_file(programs / file, dir / file, fs::copy_options::overwrite_existing);
    }
    return {dir.string(), build};
}

RunOptions with_real_program(const Station& station) {
    const fs::path programs = fs::path(E2E_BINARY_DIR) / ("b" + std::to_string(station.build));
    fs::copy_file(programs / "prodtool", fs::path(station.dir) / "prodtool",
                  fs::copy_options::overwrite_existing);
    RunOptions options;
    options.program = "prodtool";
    return options;
}

std::string drive_file(const Station& station, unsigned drive_number) {
    return (fs::path(station.dir) / ("PHYSICALDRIVE" + std::to_string(drive_number))).string();
}

bool damage_embedded_firmware(const Station& station) {
    const fs::path path = fs::path(station.dir) / "prodtool-sim";
    std::string program = read_file(path);
    const std::vector<uint8_t> image = build_image(station.build, "firmware_image.bin");
    const std::string image_start(image.begin(), image.begin() + 256);
    const size_t at = program.find(image_start);
    if (at == std::string::npos) {
        return false;
    }
    program[at + 100] = static_cast<char>(~program[at + 100]);
    std::ofstream(path, std::ios::binary | std::ios::trunc) << program;
    return true;
}

bool create_drive(const Station& station, std::string_view scenario, std::string* error,
                  unsigned drive_number) {
    const std::unique_ptr<sim::Drive> drive = sim::drive_from_scenario(scenario, error);
    return drive && sim::save_drive(*drive, drive_file(station, drive_number), error);
}

RunResult run(const Station& station, const std::vector<std::string>& args, const RunOptions& options) {
    const fs::path dir = station.dir;
    for (const char* leftover :
         {"stdin.txt", "stdout.txt", "stderr.txt", "station.jsonl", "debug.log", "commands.bin"}) {
        fs::remove(dir / leftover);
    }
    const fs::path run_dir = options.read_only_directory ? dir / "run" : dir;
    fs::create_directories(run_dir);
    for (const fs::directory_entry& entry : fs::directory_iterator(run_dir)) {
        if (is_dump_name(entry.path().filename().string())) {
            fs::remove(entry.path());
        }
    }
    for (const auto& [name, bytes] : options.earlier_files) {
        std::ofstream(run_dir / name, std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    }
    std::ofstream(dir / "stdin.txt", std::ios::binary) << options.input;

    Launch launch;
    launch.directory = run_dir.string();
    launch.read_only_directory = options.read_only_directory;
    launch.program = (dir / options.program).string();
    launch.args = args;
    launch.stdin_path = (dir / "stdin.txt").string();
    launch.stdout_path = (dir / "stdout.txt").string();
    launch.stderr_path = (dir / "stderr.txt").string();
    launch.env = {{"PRODTOOL_DEVICE_DIR", station.dir},
                  {"PRODTOOL_STATION_LOG", (dir / "station.jsonl").string()},
                  {"PRODTOOL_DEBUG_LOG", (dir / "debug.log").string()},
                  {"PRODTOOL_REWORK_JOURNAL_DIR", (dir / "rework-journal").string()},
                  {"PRODTOOL_SIM_TIME", std::to_string(options.calendar_start)},
                  {"PRODTOOL_SIM_FAIL_ALLOCATION", std::to_string(options.failing_allocation)},
                  {"PRODTOOL_SIM_ENTROPY", options.entropy}};
    if (options.command_log) {
        launch.env.emplace_back("PRODTOOL_SIM_COMMAND_LOG", (dir / "commands.bin").string());
    }

    RunResult result;
    if (options.on_terminal) {
        result.exit_code = run_on_terminal(launch, options.answers, TERMINAL_RUN_SECONDS, &result.out);
    } else {
        result.exit_code = run_process(launch);
        result.out = read_file(dir / "stdout.txt");
        result.err = read_file(dir / "stderr.txt");
    }
    result.commands = read_command_sectors(dir / "commands.bin");
    result.records = read_records(dir / "station.jsonl");
    for (const fs::directory_entry& entry : fs::directory_iterator(run_dir)) {
        const std::string name = entry.path().filename().string();
        if (is_dump_name(name)) {
            const std::string bytes = read_file(entry.path());
            result.dumps[name] = std::vector<uint8_t>(bytes.begin(), bytes.end());
        }
    }
    std::string error;
    if (fs::exists(drive_file(station))) {
        result.drive = sim::load_drive(drive_file(station), &error);
    }
    return result;
}

std::vector<std::string> fail_records(const RunResult& result) {
    std::vector<std::string> texts;
    for (const StationRecord& record : result.records) {
        if (record.call == "write" && record.status == 4) {
            texts.push_back(record.text);
        }
    }
    return texts;
}

bool wait_for_text(const std::string& path, const std::string& text, int seconds) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
    while (read_file(path).find(text) == std::string::npos) {
        if (std::chrono::steady_clock::now() >= deadline) {
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return true;
}

std::vector<uint8_t> build_image(uint32_t build, const std::string& name) {
    const std::string bytes = read_file(fs::path(E2E_SOURCE_DIR) / "build_config" /
                                        ("build" + std::to_string(build)) / "images" / name);
    return std::vector<uint8_t>(bytes.begin(), bytes.end());
}

std::string violations_text(const sim::Drive& drive) {
    std::string text;
    for (const sim::Violation& v : drive.violations) {
        text += "command " + std::to_string(v.command) + ": " + v.what + "\n";
    }
    return text;
}

}  // namespace e2e

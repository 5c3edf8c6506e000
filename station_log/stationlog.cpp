// Example station log plug-in. Every call the tool makes is appended as one
// JSON line to the file named by $PRODTOOL_STATION_LOG, or to
// "stationlog.jsonl" beside the plug-in (the program's directory) when the
// variable is not set:
//   {"call":"initialize","args":[0,3,"127.0.0.1",40001,0],"drive":3,"pid":4242,"time":"2026-12-11T12:00:00.123Z"}
//   {"call":"write","args":[0,1,0,"SATA Test finish"],"drive":3,"pid":4242,"time":"2026-12-11T12:00:09.870Z"}
//   {"call":"finalize","args":[],"drive":3,"pid":4242,"time":"2026-12-11T12:04:31.002Z"}
// "call" and "args" are the call as the tool made it; "drive" is the drive
// number given to initialize (null before it), "pid" the tool's process and
// "time" the moment of the call in UTC. A station runs one tool per port, all
// writing to one file: each line goes to the end of the file in one write,
// so lines of different drives never split one another.
// A station forwards the records to its own database from here.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "platform/append_file.h"
#include "platform/environment.h"
#include "platform/library.h"

namespace {

// The drive number given to initialize, as its JSON value.
std::string drive_value = "null";

std::string log_path() {
    if (const char* path = std::getenv("PRODTOOL_STATION_LOG"); path != nullptr && *path != '\0') {
        return path;
    }
    // The tool loads the plug-in from its own directory, so the program's
    // directory is the plug-in's.
    char program[4096];
    if (platform::program_file_path(program, sizeof program)) {
        std::string dir = program;
        const size_t separator = dir.rfind(platform::PATH_SEPARATOR);
        if (separator != std::string::npos) {
            return dir.substr(0, separator + 1) + "stationlog.jsonl";
        }
    }
    return "stationlog.jsonl";
}

std::string json_text(const char* text) {
    std::string out = "\"";
    for (const unsigned char c : std::string(text == nullptr ? "" : text)) {
        switch (c) {
            case '"':
                out += "\\\"";
                break;
            case '\\':
                out += "\\\\";
                break;
            case '\n':
                out += "\\n";
                break;
            case '\r':
                out += "\\r";
                break;
            case '\t':
                out += "\\t";
                break;
            default:
                if (c < 0x20) {
                    char escaped[8];
                    std::snprintf(escaped, sizeof escaped, "\\u%04x", c);
                    out += escaped;
                } else {
                    out += static_cast<char>(c);
                }
        }
    }
    return out + "\"";
}

// ISO 8601 in UTC to the millisecond: "2026-12-11T12:00:00.123Z".
std::string utc_time_text() {
    using namespace std::chrono;
    const auto now = floor<milliseconds>(system_clock::now());
    const auto day = floor<days>(now);
    const year_month_day date{day};
    const hh_mm_ss time{now - day};
    char text[32];
    std::snprintf(text, sizeof text, "%04d-%02u-%02uT%02d:%02d:%02d.%03dZ", static_cast<int>(date.year()),
                  static_cast<unsigned>(date.month()), static_cast<unsigned>(date.day()),
                  static_cast<int>(time.hours().count()), static_cast<int>(time.minutes().count()),
                  static_cast<int>(time.seconds().count()), static_cast<int>(time.subseconds().count()));
    return text;
}

void append_record(const std::string& call, const std::string& args) {
    const std::string line = "{\"call\":\"" + call + "\",\"args\":[" + args + "],\"drive\":" + drive_value +
                             ",\"pid\":" + std::to_string(platform::process_id()) + ",\"time\":\"" +
                             utc_time_text() + "\"}\n";
    platform::append_to_file(log_path().c_str(), line.data(), line.size());
}

}  // namespace

extern "C" {

__attribute__((visibility("default"))) int initialize(int first, int drive, const char* address, int port,
                                                      int last) {
    drive_value = std::to_string(drive);
    append_record("initialize", std::to_string(first) + "," + std::to_string(drive) + "," +
                                    json_text(address) + "," + std::to_string(port) + "," +
                                    std::to_string(last));
    return 0;
}

__attribute__((visibility("default"))) int write(int stage, int status, int reserved, const char* text) {
    append_record("write", std::to_string(stage) + "," + std::to_string(status) + "," +
                               std::to_string(reserved) + "," + json_text(text));
    return 0;
}

__attribute__((visibility("default"))) void finalize() {
    append_record("finalize", "");
}
}

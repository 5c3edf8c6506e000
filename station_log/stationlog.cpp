// Example station log plug-in. Every call the tool makes is appended, with
// its arguments, as one JSON line to the file named by $PRODTOOL_STATION_LOG,
// or to "stationlog.jsonl" beside the plug-in (the program's directory) when
// the variable is not set:
//   {"call":"initialize","args":[0,3,"127.0.0.1",40001,0]}
//   {"call":"write","args":[0,1,0,"SATA Test finish"]}
//   {"call":"finalize","args":[]}
// A station forwards the records to its own database from here.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "platform/library.h"

namespace {

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

void append_line(const std::string& line) {
    if (std::FILE* file = std::fopen(log_path().c_str(), "a")) {
        std::fprintf(file, "%s\n", line.c_str());
        std::fclose(file);
    }
}

}  // namespace

extern "C" {

__attribute__((visibility("default"))) int initialize(int first, int drive_number, const char* address,
                                                      int port, int last) {
    append_line("{\"call\":\"initialize\",\"args\":[" + std::to_string(first) + "," +
                std::to_string(drive_number) + "," + json_text(address) + "," + std::to_string(port) + "," +
                std::to_string(last) + "]}");
    return 0;
}

__attribute__((visibility("default"))) int write(int stage, int status, int reserved, const char* text) {
    append_line("{\"call\":\"write\",\"args\":[" + std::to_string(stage) + "," + std::to_string(status) +
                "," + std::to_string(reserved) + "," + json_text(text) + "]}");
    return 0;
}

__attribute__((visibility("default"))) void finalize() {
    append_line("{\"call\":\"finalize\",\"args\":[]}");
}
}

// Reading what the example station log plug-in received: one JSON line per
// call, {"call":"write","args":[2,4,0,"text"]}.
#pragma once

#include <fstream>
#include <string>
#include <vector>

inline std::vector<std::string> read_lines(const std::string& path) {
    std::ifstream file(path);
    std::vector<std::string> lines;
    for (std::string line; std::getline(file, line);) {
        lines.push_back(line);
    }
    return lines;
}

// The JSON line the plug-in writes for write(stage, status, 0, text); the
// text is given with its JSON escapes (\n as \\n).
inline std::string write_record(int stage, int status, const std::string& escaped_text) {
    return "{\"call\":\"write\",\"args\":[" + std::to_string(stage) + "," + std::to_string(status) + ",0,\"" +
           escaped_text + "\"]}";
}

inline const std::string FINALIZE_RECORD = "{\"call\":\"finalize\",\"args\":[]}";

// Reading what the example station log plug-in received: one JSON line per
// call, {"call":"write","args":[2,4,0,"text"],"drive":1,"pid":4242,
// "time":"2026-12-11T12:00:00.123Z"}.
#pragma once

#include <cstdint>
#include <fstream>
#include <regex>
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

// One line of the plug-in taken apart: the call as the tool made it
// ({"call":...,"args":[...]}) and what the plug-in adds to it.
struct PluginLine {
    std::string call;
    std::string drive;  // its JSON value
    uint32_t pid = 0;
    std::string time;
    bool tagged = false;  // false: the line does not end in drive, pid and time
};

inline PluginLine parse_plugin_line(const std::string& line) {
    PluginLine parsed;
    parsed.call = line;
    const size_t tail = line.rfind(",\"drive\":");
    static const std::regex TAIL(
        R"tail(,"drive":(null|\d+),"pid":(\d+),"time":"(\d{4}-\d\d-\d\dT\d\d:\d\d:\d\d\.\d{3}Z)"\})tail");
    std::smatch match;
    const std::string tail_text = tail == std::string::npos ? "" : line.substr(tail);
    if (!std::regex_match(tail_text, match, TAIL)) {
        return parsed;
    }
    parsed.call = line.substr(0, tail) + "}";
    parsed.drive = match[1];
    parsed.pid = static_cast<uint32_t>(std::stoul(match[2]));
    parsed.time = match[3];
    parsed.tagged = true;
    return parsed;
}

// The calls the plug-in recorded, each as {"call":...,"args":[...]}; a line
// without the plug-in's drive, pid and time is kept whole, so that it
// matches no expected call.
inline std::vector<std::string> read_records(const std::string& path) {
    std::vector<std::string> calls;
    for (const std::string& line : read_lines(path)) {
        calls.push_back(parse_plugin_line(line).call);
    }
    return calls;
}

// A fail record's trail, as the tool hands it to write and as the plug-in
// records it: longer than any buffer of a file stream, and longer still in
// JSON, where each control character takes six characters.
struct Trail {
    std::string text;
    std::string escaped;
};

inline Trail long_trail(int drive) {
    Trail trail;
    while (trail.text.size() < 8191 - 64) {
        const std::string step =
            "Bank " + std::to_string(drive) + " step " + std::to_string(trail.text.size());
        trail.text += step + "\x01\x02\x03\n";
        trail.escaped += step + "\\u0001\\u0002\\u0003\\n";
    }
    return trail;
}

// The call the plug-in records for write(stage, status, 0, text); the text
// is given with its JSON escapes (\n as \\n).
inline std::string write_record(int stage, int status, const std::string& escaped_text) {
    return "{\"call\":\"write\",\"args\":[" + std::to_string(stage) + "," + std::to_string(status) + ",0,\"" +
           escaped_text + "\"]}";
}

inline const std::string FINALIZE_RECORD = "{\"call\":\"finalize\",\"args\":[]}";

#include "drive_arguments.h"

#include <algorithm>
#include <cctype>
#include <filesystem>

namespace station {

namespace {

bool all_digits(const std::string& text) {
    return !text.empty() &&
           std::all_of(text.begin(), text.end(), [](unsigned char c) { return std::isdigit(c); });
}

std::vector<std::string> split(const std::string& text, char separator) {
    std::vector<std::string> parts;
    size_t from = 0;
    for (size_t at = text.find(separator); at != std::string::npos; at = text.find(separator, from)) {
        parts.push_back(text.substr(from, at - from));
        from = at + 1;
    }
    parts.push_back(text.substr(from));
    return parts;
}

std::optional<Port> drive_port(const std::string& argument) {
    std::vector<std::string> parts = split(argument, ':');
    if (!all_digits(parts.front()) || parts.front().size() > 9) {
        return std::nullopt;
    }
    Port port;
    port.drive = static_cast<unsigned>(std::stoul(parts.front()));
    for (size_t i = 1; i < parts.size(); ++i) {
        if (parts[i].empty()) {
            return std::nullopt;
        }
        port.own_options.push_back(parts[i]);
    }
    return port;
}

}  // namespace

std::optional<std::vector<Port>> drive_ports(const std::vector<std::string>& arguments, std::string* fault) {
    std::vector<Port> ports;
    for (const std::string& argument : arguments) {
        std::optional<Port> port = drive_port(argument);
        const bool twice = port && std::any_of(ports.begin(), ports.end(),
                                               [&](const Port& other) { return other.drive == port->drive; });
        if (!port || twice) {
            *fault = argument;
            return std::nullopt;
        }
        ports.push_back(std::move(*port));
    }
    return ports;
}

std::optional<std::string> tool_build(const std::string& tool) {
    const std::string folder = std::filesystem::path(tool).parent_path().filename().string();
    for (const std::string prefix : {"build", "b"}) {
        if (folder.starts_with(prefix) && all_digits(folder.substr(prefix.size()))) {
            return folder.substr(prefix.size());
        }
    }
    return std::nullopt;
}

}  // namespace station

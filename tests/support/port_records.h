// A station with one tool per port, every tool's plug-in appending to one
// record file: the check of what the file holds afterwards.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "support/station_records.h"

// Every port's tool made initialize, `records` writes of its long trail and
// finalize. Every line must be whole and name its drive and that drive's
// process, and every record must be there.
inline void expect_whole_lines_of_every_port(const std::string& path,
                                             const std::map<std::string, uint32_t>& process_of_drive,
                                             int records) {
    std::map<std::string, int> writes_of_drive;
    const std::vector<std::string> lines = read_lines(path);
    EXPECT_EQ(lines.size(), process_of_drive.size() * (records + 2));
    for (const std::string& text : lines) {
        const PluginLine line = parse_plugin_line(text);
        ASSERT_TRUE(line.tagged) << text.substr(0, 200);
        const auto process = process_of_drive.find(line.drive);
        ASSERT_NE(process, process_of_drive.end()) << line.drive;
        EXPECT_EQ(line.pid, process->second);
        if (line.call.starts_with("{\"call\":\"write\"")) {
            ASSERT_TRUE(line.call == write_record(2, 4, long_trail(std::stoi(line.drive)).escaped))
                << text.substr(0, 200);
            ++writes_of_drive[line.drive];
        }
    }
    for (const auto& [drive, process] : process_of_drive) {
        EXPECT_EQ(writes_of_drive[drive], records) << "drive " << drive;
    }
}

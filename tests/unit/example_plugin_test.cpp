// The example station log plug-in as a station runs it: one tool process per
// port, every process loading the plug-in and appending to one file.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "host_main/station_log.h"
#include "platform/library.h"
#include "support/port_records.h"
#include "support/station_records.h"

namespace {

namespace fs = std::filesystem;
using std::chrono::system_clock;

struct Entries {
    StationInitialize initialize;
    StationWrite write;
    StationFinalize finalize;
};

// A tool process of its own: loads the plug-in afresh, waits until the
// barrier pipe opens (every writing end closed), makes its calls and ends.
pid_t start_process(const int* barrier, const std::function<void(const Entries&)>& calls) {
    const pid_t pid = fork();
    if (pid != 0) {
        return pid;
    }
    const platform::LibraryHandle library = platform::library_load(COMPLETE_PLUGIN_PATH);
    if (library == nullptr) {
        std::_Exit(2);
    }
    const Entries entries = {
        reinterpret_cast<StationInitialize>(platform::library_symbol(library, "initialize")),
        reinterpret_cast<StationWrite>(platform::library_symbol(library, "write")),
        reinterpret_cast<StationFinalize>(platform::library_symbol(library, "finalize")),
    };
    if (barrier != nullptr) {
        close(barrier[1]);
        char ignored;
        while (read(barrier[0], &ignored, 1) > 0) {
        }
    }
    calls(entries);
    std::_Exit(0);
}

void expect_clean_end(pid_t pid) {
    int status = 0;
    ASSERT_EQ(waitpid(pid, &status, 0), pid);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "process " << pid << " status " << status;
}

class ExamplePlugin : public testing::Test {
  protected:
    std::string records_path;

    void SetUp() override {
        records_path = testing::TempDir() + "example_plugin_" +
                       testing::UnitTest::GetInstance()->current_test_info()->name() + "_" +
                       std::to_string(getpid()) + ".jsonl";
        fs::remove(records_path);
        setenv("PRODTOOL_STATION_LOG", records_path.c_str(), 1);
    }
    void TearDown() override {
        unsetenv("PRODTOOL_STATION_LOG");
        fs::remove(records_path);
    }
};

// "2026-12-11T12:00:00.123Z" as a moment.
system_clock::time_point utc_moment(const std::string& text) {
    int year = 0;
    unsigned month = 0, day = 0, hour = 0, minute = 0, second = 0, millisecond = 0;
    std::sscanf(text.c_str(), "%d-%u-%uT%u:%u:%u.%uZ", &year, &month, &day, &hour, &minute, &second,
                &millisecond);
    using namespace std::chrono;
    return sys_days{std::chrono::year{year} / month / day} + hours{hour} + minutes{minute} + seconds{second} +
           milliseconds{millisecond};
}

TEST_F(ExamplePlugin, EveryLineIsTheCallWithTheDriveTheProcessAndTheTime) {
    const auto before = std::chrono::floor<std::chrono::milliseconds>(system_clock::now());
    const pid_t pid = start_process(nullptr, [](const Entries& plugin) {
        plugin.write(10, 0, 0, "before initialize");
        plugin.initialize(0, 7, "127.0.0.1", 40001, 0);
        plugin.write(2, 4, 0, "Blank check\nBank 09(B2)\t\"quoted\" \\ \x01");
        plugin.finalize();
    });
    expect_clean_end(pid);
    const auto after = system_clock::now();

    const std::vector<std::string> expected_calls = {
        write_record(10, 0, "before initialize"),
        "{\"call\":\"initialize\",\"args\":[0,7,\"127.0.0.1\",40001,0]}",
        write_record(2, 4, "Blank check\\nBank 09(B2)\\t\\\"quoted\\\" \\\\ \\u0001"),
        FINALIZE_RECORD,
    };
    const std::vector<std::string> expected_drives = {"null", "7", "7", "7"};
    const std::vector<std::string> lines = read_lines(records_path);
    ASSERT_EQ(lines.size(), expected_calls.size());
    for (size_t i = 0; i < lines.size(); ++i) {
        SCOPED_TRACE(lines[i]);
        const PluginLine line = parse_plugin_line(lines[i]);
        ASSERT_TRUE(line.tagged);
        EXPECT_EQ(line.call, expected_calls[i]);
        EXPECT_EQ(line.drive, expected_drives[i]);
        EXPECT_EQ(line.pid, static_cast<uint32_t>(pid));
        EXPECT_GE(utc_moment(line.time), before);
        EXPECT_LE(utc_moment(line.time), after);
    }
}

TEST_F(ExamplePlugin, LinesOfToolsOnSeveralPortsNeverSplitOneAnother) {
    constexpr int PORTS = 8;
    constexpr int RECORDS = 100;
    int barrier[2];
    ASSERT_EQ(pipe(barrier), 0);
    std::map<std::string, uint32_t> process_of_drive;
    for (int drive = 0; drive < PORTS; ++drive) {
        process_of_drive[std::to_string(drive)] = start_process(barrier, [drive](const Entries& plugin) {
            plugin.initialize(0, drive, "127.0.0.1", 40001, 0);
            const std::string trail = long_trail(drive).text;
            for (int record = 0; record < RECORDS; ++record) {
                plugin.write(2, 4, 0, trail.c_str());
            }
            plugin.finalize();
        });
    }
    close(barrier[0]);
    close(barrier[1]);
    for (const auto& [drive, pid] : process_of_drive) {
        expect_clean_end(static_cast<pid_t>(pid));
    }
    expect_whole_lines_of_every_port(records_path, process_of_drive, RECORDS);
}

}  // namespace

// The example station log plug-in on Windows as a station runs it: one tool
// per port (plugin_writer beside this program), all appending to one file.
#include <gtest/gtest.h>
#include <stdlib.h>
#include <windows.h>

#include <cstdint>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "host_main/station_log.h"
#include "platform/library.h"
#include "support/port_records.h"
#include "support/station_records.h"

namespace {

namespace fs = std::filesystem;

constexpr DWORD DEADLINE_MS = 120000;

std::string beside_program(const char* file) {
    char path[MAX_PATH];
    EXPECT_TRUE(platform::program_file_path(path, sizeof path));
    const std::string program = path;
    return program.substr(0, program.rfind(platform::PATH_SEPARATOR) + 1) + file;
}

class StationPlugin : public testing::Test {
  protected:
    std::string records_path;

    void SetUp() override {
        records_path = testing::TempDir() + "station_plugin_" +
                       testing::UnitTest::GetInstance()->current_test_info()->name() + ".jsonl";
        fs::remove(records_path);
        ::_putenv_s("PRODTOOL_STATION_LOG", records_path.c_str());
    }
    void TearDown() override {
        ::_putenv_s("PRODTOOL_STATION_LOG", "");
        fs::remove(records_path);
    }
};

TEST_F(StationPlugin, EveryLineNamesTheDriveAndThisProcess) {
    const platform::LibraryHandle plugin = platform::library_load(beside_program("stationlog.dll").c_str());
    ASSERT_NE(plugin, nullptr);
    reinterpret_cast<StationInitialize>(platform::library_symbol(plugin, "initialize"))(0, 5, "127.0.0.1",
                                                                                        40001, 0);
    reinterpret_cast<StationWrite>(platform::library_symbol(plugin, "write"))(0, 1, 0, "SATA Test finish");
    reinterpret_cast<StationFinalize>(platform::library_symbol(plugin, "finalize"))();
    platform::library_unload(plugin);

    const std::vector<std::string> expected_calls = {
        "{\"call\":\"initialize\",\"args\":[0,5,\"127.0.0.1\",40001,0]}",
        write_record(0, 1, "SATA Test finish"),
        FINALIZE_RECORD,
    };
    const std::vector<std::string> lines = read_lines(records_path);
    ASSERT_EQ(lines.size(), expected_calls.size());
    for (size_t i = 0; i < lines.size(); ++i) {
        const PluginLine line = parse_plugin_line(lines[i]);
        ASSERT_TRUE(line.tagged) << lines[i];
        EXPECT_EQ(line.call, expected_calls[i]);
        EXPECT_EQ(line.drive, "5");
        EXPECT_EQ(line.pid, ::GetCurrentProcessId());
    }
}

TEST_F(StationPlugin, LinesOfToolsOnSeveralPortsNeverSplitOneAnother) {
    constexpr int PORTS = 6;
    constexpr int RECORDS = 20;
    SECURITY_ATTRIBUTES inherited{sizeof inherited, nullptr, TRUE};
    const HANDLE go = ::CreateEventA(&inherited, TRUE, FALSE, nullptr);
    std::map<std::string, uint32_t> process_of_drive;
    std::vector<HANDLE> processes;
    for (int drive = 0; drive < PORTS; ++drive) {
        std::string line = "\"" + beside_program("plugin_writer.exe") + "\" " + std::to_string(drive) + " " +
                           std::to_string(RECORDS) + " " + std::to_string(reinterpret_cast<uintptr_t>(go));
        STARTUPINFOA startup{};
        startup.cb = sizeof startup;
        PROCESS_INFORMATION process{};
        ASSERT_TRUE(::CreateProcessA(nullptr, line.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr,
                                     &startup, &process))
            << line;
        ::CloseHandle(process.hThread);
        processes.push_back(process.hProcess);
        process_of_drive[std::to_string(drive)] = process.dwProcessId;
    }
    ::SetEvent(go);
    for (const HANDLE process : processes) {
        EXPECT_EQ(::WaitForSingleObject(process, DEADLINE_MS), WAIT_OBJECT_0);
        DWORD code = 1;
        ::GetExitCodeProcess(process, &code);
        EXPECT_EQ(code, 0u);
        ::CloseHandle(process);
    }
    ::CloseHandle(go);
    expect_whole_lines_of_every_port(records_path, process_of_drive, RECORDS);
}

}  // namespace

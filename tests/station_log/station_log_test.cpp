#include "host_main/station_log.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "host_main/command_channel.h"
#include "platform/library.h"
#include "support/captured_exit.h"
#include "support/scratch_dir.h"
#include "support/station_records.h"
#include "support/work_block_fixture.h"

namespace {

namespace fs = std::filesystem;

// The tool loads "stationlog.dll" from its own directory: the tests put the
// plug-in under test there, one test at a time (they hold one lock in ctest). A library that was loaded once
// may stay mapped after it is unloaded, so every scenario runs in a child process of its own.
class StationLog : public WorkBlockTest {
  public:
    fs::path plugin_beside_program;
    ScratchDir scratch;
    std::string records_path = scratch.file("station_records.jsonl");
    std::string debug_path = scratch.file("station_debug.txt");

    void SetUp() override {
        WorkBlockTest::SetUp();
        char program[4096];
        ASSERT_TRUE(platform::program_file_path(program, sizeof program));
        plugin_beside_program = fs::path(program).parent_path() / "stationlog.dll";
        fs::remove(plugin_beside_program);
        setenv("PRODTOOL_STATION_LOG", records_path.c_str(), 1);
        setenv("PRODTOOL_DEBUG_LOG", debug_path.c_str(), 1);
        current_stage = STAGE_TOOL_START;
    }
    void TearDown() override {
        station_log_finish();
        fs::remove(plugin_beside_program);
        unsetenv("PRODTOOL_STATION_LOG");
        unsetenv("PRODTOOL_DEBUG_LOG");
        WorkBlockTest::TearDown();
    }
    void install_plugin(const char* built_plugin) {
        fs::copy_file(built_plugin, plugin_beside_program, fs::copy_options::overwrite_existing);
    }
    // Runs a scenario in a child process; its expectations decide the child's
    // exit code.
    static void in_child_process(void (*scenario)(StationLog*), StationLog* self) {
        EXPECT_EXIT(
            {
                scenario(self);
                std::_Exit(testing::Test::HasFailure() ? 1 : 0);
            },
            testing::ExitedWithCode(0), "");
    }
    std::string debug_text() {
        std::string text;
        for (const std::string& line : read_lines(debug_path)) {
            text += line + "\n";
        }
        return text;
    }
};

using StationLogDeathTest = StationLog;

TEST_F(StationLogDeathTest, WithoutPluginNothingIsRecordedAndTheTrailStaysEmpty) {
    in_child_process(
        [](StationLog* t) {
            station_log_start(3);
            EXPECT_EQ(station_plugin.library, nullptr);
            EXPECT_EQ(put_to_log_buffer("Blank check\n"), 0);
            EXPECT_STREQ(log_buffer, "");
            EXPECT_EQ(station_log_write(STATUS_START, 0, 0, "x"), 0);
            EXPECT_EQ(station_log_flush(), 0);
            EXPECT_FALSE(fs::exists(t->records_path));
            EXPECT_EQ(t->debug_text(), "[Host::load_dll_logger]Load library fail\n");
        },
        this);
}

TEST_F(StationLogDeathTest, PluginWithoutFinalizeIsUnloadedAndNeverCalled) {
    in_child_process(
        [](StationLog* t) {
            t->install_plugin(INCOMPLETE_PLUGIN_PATH);
            station_log_start(3);
            EXPECT_EQ(station_plugin.library, nullptr);
            EXPECT_EQ(put_to_log_buffer("Blank check\n"), 0);
            station_log_write(STATUS_START, 0, 0, "x");
            station_log_flush();
            EXPECT_FALSE(fs::exists(t->records_path));
            EXPECT_EQ(t->debug_text(), "[Host::load_dll_logger]finalize load fail.\n");
        },
        this);
}

// The C library the plug-in depends on defines a `write` of its own: that one
// is not the plug-in's entry.
TEST_F(StationLogDeathTest, PluginWithoutWriteIsUnloadedAndNeverCalled) {
    in_child_process(
        [](StationLog* t) {
            t->install_plugin(PLUGIN_WITHOUT_WRITE_PATH);
            station_log_start(3);
            EXPECT_EQ(station_plugin.library, nullptr);
            EXPECT_EQ(station_plugin.write, nullptr);
            EXPECT_EQ(put_to_log_buffer("Blank check\n"), 0);
            station_log_write(STATUS_START, 0, 0, "x");
            station_log_flush();
            station_log_finish();
            EXPECT_FALSE(fs::exists(t->records_path));
            EXPECT_EQ(t->debug_text(), "[Host::load_dll_logger]write load fail.\n");
        },
        this);
}

TEST_F(StationLogDeathTest, AnEntryIsFoundOnlyInTheLibraryThatDefinesIt) {
    in_child_process(
        [](StationLog*) {
            const platform::LibraryHandle without_write = platform::library_load(PLUGIN_WITHOUT_WRITE_PATH);
            ASSERT_NE(without_write, nullptr);
            EXPECT_NE(platform::library_symbol(without_write, "initialize"), nullptr);
            EXPECT_NE(platform::library_symbol(without_write, "finalize"), nullptr);
            EXPECT_EQ(platform::library_symbol(without_write, "write"), nullptr);
            EXPECT_EQ(platform::library_symbol(without_write, "fopen"), nullptr);
            platform::library_unload(without_write);
            const platform::LibraryHandle complete = platform::library_load(COMPLETE_PLUGIN_PATH);
            ASSERT_NE(complete, nullptr);
            EXPECT_NE(platform::library_symbol(complete, "write"), nullptr);
            platform::library_unload(complete);
        },
        this);
}

TEST_F(StationLogDeathTest, CompletePluginReceivesRecordsAndTheTrailAsFailRecord) {
    in_child_process(
        [](StationLog* t) {
            t->install_plugin(COMPLETE_PLUGIN_PATH);
            station_log_start(7);
            ASSERT_NE(station_plugin.library, nullptr);
            current_stage = STAGE_FLASH_TEST;
            station_log_write(STATUS_START, 0, 0, "Flash test start");
            EXPECT_EQ(put_to_log_buffer("Blank check\n"), 1);
            EXPECT_EQ(put_to_log_buffer("Bank %02u(%c%u)", 9u, 'B', 2u), 1);
            station_log_flush();
            EXPECT_STREQ(log_buffer, "");
            EXPECT_EQ(station_plugin.library, nullptr);
            station_log_write(STATUS_FINISH, 0, 0, "after the end");

            const std::vector<std::string> expected = {
                "{\"call\":\"initialize\",\"args\":[0,7,\"127.0.0.1\",40001,0]}",
                write_record(2, 0, "Flash test start"),
                write_record(2, 4, "Blank check\\nBank 09(B2)"),
                FINALIZE_RECORD,
            };
            EXPECT_EQ(read_records(t->records_path), expected);
        },
        this);
}

TEST_F(StationLogDeathTest, TrailTakesTextsUpTo8191Characters) {
    in_child_process(
        [](StationLog* t) {
            t->install_plugin(COMPLETE_PLUGIN_PATH);
            station_log_start(0);
            EXPECT_EQ(put_to_log_buffer("%s", std::string(8000, 'a').c_str()), 1);
            EXPECT_EQ(put_to_log_buffer("%s", std::string(192, 'b').c_str()), 0);
            EXPECT_EQ(put_to_log_buffer("%s", std::string(191, 'b').c_str()), 1);
            EXPECT_EQ(std::string(log_buffer).size(), 8191u);
            EXPECT_EQ(put_to_log_buffer("c"), 0);
            EXPECT_EQ(t->debug_text(),
                      "[put_to_log_buffer]Log is too long\n[put_to_log_buffer]Log is too long\n");
        },
        this);
}

TEST_F(StationLogDeathTest, FinalRecordFinalizesThePlugin) {
    in_child_process(
        [](StationLog* t) {
            t->install_plugin(COMPLETE_PLUGIN_PATH);
            station_log_start(1);
            current_stage = STAGE_SATA_TEST;
            station_log_write(STATUS_FAIL, 0, 1, "READ protocol error");
            EXPECT_EQ(station_plugin.library, nullptr);
            const std::vector<std::string> lines = read_records(t->records_path);
            ASSERT_EQ(lines.size(), 3u);
            EXPECT_EQ(lines[1], write_record(0, 4, "READ protocol error"));
            EXPECT_EQ(lines[2], FINALIZE_RECORD);
        },
        this);
}

// One record with status 4, then finalize, then the "error at" line: seen in
// one file that the console and the plug-in both append to as they go.
TEST_F(StationLogDeathTest, FatalErrorRecordsOnceThenFinalizesThenNamesTheSource) {
    install_plugin(COMPLETE_PLUGIN_PATH);
    station_log_start(2);
    current_stage = STAGE_MODULE_TEST;
    std::string ignored;
    EXPECT_EXIT_CAPTURED(
        {
            std::freopen(records_path.c_str(), "a", stdout);
            std::setvbuf(stdout, nullptr, _IONBF, 0);
            static uint8_t misaligned_buffer[1024] __attribute__((aligned(512)));
            SEND_TO_DEVICE(misaligned_buffer + 4, 1);
        },
        1, ignored);
    const std::vector<std::string> lines = read_records(records_path);
    ASSERT_EQ(lines.size(), 6u);
    EXPECT_EQ(lines[0].find("{\"call\":\"initialize\""), 0u);
    EXPECT_EQ(lines[1], "ERROR: buffer address is not aligned");
    EXPECT_EQ(lines[2].find("caller = tests/station_log/station_log_test.cpp "), 0u) << lines[2];
    EXPECT_EQ(lines[3], write_record(1, 4, "Sent to device : Buffer address is not aligned"));
    EXPECT_EQ(lines[4], FINALIZE_RECORD);
    EXPECT_EQ(lines[5].find("error at src/host_main/command_channel.cpp "), 0u) << lines[5];
}

}  // namespace

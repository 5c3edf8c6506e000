// The process services on Windows: environment, current directory, the
// program's own path, plug-in libraries, memory blocks, the debugger output
// and local time.
#include <gtest/gtest.h>
#include <stdlib.h>
#include <windows.h>

#include <cstdint>
#include <cstring>
#include <string>

#include "host_main/station_log.h"
#include "platform/debug_output.h"
#include "platform/environment.h"
#include "platform/library.h"
#include "platform/local_time.h"
#include "platform/memory.h"

namespace {

TEST(Environment, VariablesAreReadCutToTheRoomGivenOrMissing) {
    ASSERT_TRUE(::SetEnvironmentVariableA("PRODTOOL_TEST_HOST", "STATION-07-LINE-B"));
    ASSERT_TRUE(::SetEnvironmentVariableA("PRODTOOL_TEST_EMPTY", ""));
    ::SetEnvironmentVariableA("PRODTOOL_TEST_MISSING", nullptr);
    struct Case {
        const char* name;
        size_t capacity;
        bool found;
        const char* value;
    } cases[] = {
        {"PRODTOOL_TEST_HOST", 32, true, "STATION-07-LINE-B"},
        {"PRODTOOL_TEST_HOST", 18, true, "STATION-07-LINE-B"},
        {"PRODTOOL_TEST_HOST", 8, true, "STATION"},
        {"PRODTOOL_TEST_EMPTY", 32, true, ""},
        {"PRODTOOL_TEST_MISSING", 32, false, "untouched"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.name) + " in " + std::to_string(c.capacity));
        char value[32] = "untouched";
        EXPECT_EQ(platform::environment_variable(c.name, value, c.capacity), c.found);
        EXPECT_STREQ(value, c.value);
    }
}

TEST(Environment, CurrentDirectoryFitsOnlyWithItsTerminator) {
    char expected[MAX_PATH];
    const DWORD length = ::GetCurrentDirectoryA(sizeof expected, expected);
    ASSERT_GT(length, 0u);
    char directory[MAX_PATH] = "";
    EXPECT_TRUE(platform::current_directory(directory, length + 1));
    EXPECT_STREQ(directory, expected);
    EXPECT_FALSE(platform::current_directory(directory, length));
}

TEST(ProgramFile, PathIsTheRunningProgramAndMustFit) {
    char path[MAX_PATH] = "";
    ASSERT_TRUE(platform::program_file_path(path, sizeof path));
    const std::string program = path;
    EXPECT_EQ(program.substr(program.rfind(platform::PATH_SEPARATOR) + 1), "platform_tests.exe");
    EXPECT_EQ(program.find('/'), std::string::npos);
    EXPECT_TRUE(platform::program_file_path(path, program.size() + 1));
    EXPECT_FALSE(platform::program_file_path(path, program.size()));
}

std::string beside_program(const char* file) {
    char path[MAX_PATH];
    EXPECT_TRUE(platform::program_file_path(path, sizeof path));
    std::string dir = path;
    return dir.substr(0, dir.rfind(platform::PATH_SEPARATOR) + 1) + file;
}

TEST(Library, PluginEntriesAreFoundByNameAndNothingElseIsExported) {
    const platform::LibraryHandle plugin = platform::library_load(beside_program("stationlog.dll").c_str());
    ASSERT_NE(plugin, nullptr);
    for (const char* entry : {"initialize", "write", "finalize"}) {
        EXPECT_NE(platform::library_symbol(plugin, entry), nullptr) << entry;
    }
    EXPECT_EQ(platform::library_symbol(plugin, "_ZN8platform17program_file_pathEPcy"), nullptr);
    platform::library_unload(plugin);

    const platform::LibraryHandle incomplete =
        platform::library_load(beside_program("incomplete_plugin.dll").c_str());
    ASSERT_NE(incomplete, nullptr);
    EXPECT_NE(platform::library_symbol(incomplete, "write"), nullptr);
    EXPECT_EQ(platform::library_symbol(incomplete, "finalize"), nullptr);
    platform::library_unload(incomplete);

    EXPECT_EQ(platform::library_load(beside_program("no_such_plugin.dll").c_str()), nullptr);
}

TEST(Library, TheToolLoadsThePluginFromItsOwnDirectory) {
    ASSERT_EQ(Host::load_dll_logger(), 1);
    EXPECT_NE(station_plugin.finalize, nullptr);
    platform::library_unload(station_plugin.library);
    station_plugin = {};
}

TEST(Memory, PageBlocksAreZeroAlignedAndWritableHeapBlocksAre512Aligned) {
    constexpr size_t WORK_BLOCK_SIZE = 700 * 1024 + 12;
    auto* block = static_cast<uint8_t*>(platform::pages_allocate(WORK_BLOCK_SIZE));
    ASSERT_NE(block, nullptr);
    EXPECT_EQ(reinterpret_cast<uintptr_t>(block) % 4096, 0u);
    for (size_t i = 0; i < WORK_BLOCK_SIZE; ++i) {
        ASSERT_EQ(block[i], 0) << "byte " << i;
    }
    std::memset(block, 0x5A, WORK_BLOCK_SIZE);
    platform::pages_release(block, WORK_BLOCK_SIZE);

    for (const size_t bytes : {size_t{1}, size_t{512}, size_t{1000}, size_t{64} << 20}) {
        void* heap = platform::aligned_allocate(bytes);
        ASSERT_NE(heap, nullptr) << bytes;
        EXPECT_EQ(reinterpret_cast<uintptr_t>(heap) % 512, 0u) << bytes;
        std::memset(heap, 0xFF, bytes);
        platform::aligned_release(heap);
    }
}

// The debugger output channel: without a debugger attached, the text still
// passes through the process as a debug-print exception, seen here first.
std::string debugger_text;

LONG CALLBACK catch_debug_print(EXCEPTION_POINTERS* exception) {
    const EXCEPTION_RECORD& record = *exception->ExceptionRecord;
    if (record.ExceptionCode == DBG_PRINTEXCEPTION_C && record.NumberParameters >= 2) {
        debugger_text += reinterpret_cast<const char*>(record.ExceptionInformation[1]);
    }
    return EXCEPTION_CONTINUE_SEARCH;
}

TEST(DebugOutput, TextGoesToTheDebuggerNotToTheConsole) {
    void* handler = ::AddVectoredExceptionHandler(1, catch_debug_print);
    ASSERT_NE(handler, nullptr);
    debugger_text.clear();
    platform::debug_output("[Host::load_dll_logger]Load library fail");
    ::RemoveVectoredExceptionHandler(handler);
    EXPECT_EQ(debugger_text, "[Host::load_dll_logger]Load library fail");
}

struct TimeZone : testing::Test {
    void use(const char* zone) {
        ::_putenv_s("TZ", zone);
        ::_tzset();
    }
    void TearDown() override {
        use("");
    }
};

TEST_F(TimeZone, LocalTimeFollowsTheZoneAndItsSummerTime) {
    struct Case {
        const char* zone;
        int64_t seconds;
        platform::LocalTime expected;
    } cases[] = {
        {"UTC0", 1700000000, {2023, 11, 14, 22, 13, 20}},    {"UTC0", 0, {1970, 1, 1, 0, 0, 0}},
        {"EST5EDT", 1700000000, {2023, 11, 14, 17, 13, 20}},  // winter: 5 hours behind
        {"EST5EDT", 1690000000, {2023, 7, 22, 0, 26, 40}},    // summer: 4 hours behind
        {"UTC0", 951782400, {2000, 2, 29, 0, 0, 0}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.zone) + " " + std::to_string(c.seconds));
        use(c.zone);
        platform::LocalTime time{};
        ASSERT_TRUE(platform::local_time(c.seconds, &time));
        EXPECT_EQ(time.year, c.expected.year);
        EXPECT_EQ(time.month, c.expected.month);
        EXPECT_EQ(time.day, c.expected.day);
        EXPECT_EQ(time.hour, c.expected.hour);
        EXPECT_EQ(time.minute, c.expected.minute);
        EXPECT_EQ(time.second, c.expected.second);
    }
}

}  // namespace

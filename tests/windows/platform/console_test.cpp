// The operator console on Windows. ConsoleWindow tests need a real console
// (tools/test-windows gives them one on a pseudo terminal); the others run
// with standard output redirected to a file.
#include "host_main/console.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "platform/console.h"

namespace {

HANDLE output() {
    return ::GetStdHandle(STD_OUTPUT_HANDLE);
}

HANDLE input() {
    return ::GetStdHandle(STD_INPUT_HANDLE);
}

WORD screen_attribute() {
    CONSOLE_SCREEN_BUFFER_INFO info{};
    EXPECT_TRUE(::GetConsoleScreenBufferInfo(output(), &info));
    return info.wAttributes;
}

COORD cursor() {
    CONSOLE_SCREEN_BUFFER_INFO info{};
    EXPECT_TRUE(::GetConsoleScreenBufferInfo(output(), &info));
    return info.dwCursorPosition;
}

INPUT_RECORD key_event(char key, bool down, WORD virtual_key = 0) {
    INPUT_RECORD record{};
    record.EventType = KEY_EVENT;
    record.Event.KeyEvent.bKeyDown = down;
    record.Event.KeyEvent.wRepeatCount = 1;
    record.Event.KeyEvent.wVirtualKeyCode = virtual_key;
    record.Event.KeyEvent.uChar.AsciiChar = key;
    return record;
}

void type_in(std::initializer_list<INPUT_RECORD> records) {
    DWORD written = 0;
    ASSERT_TRUE(::WriteConsoleInputA(input(), records.begin(), static_cast<DWORD>(records.size()), &written));
    ASSERT_EQ(written, records.size());
}

struct ConsoleWindow : testing::Test {
    WORD original = 0;
    void SetUp() override {
        DWORD mode = 0;
        ASSERT_TRUE(::GetConsoleMode(input(), &mode)) << "standard input is not a console";
        original = screen_attribute();
        ::FlushConsoleInputBuffer(input());
    }
    void TearDown() override {
        ::SetConsoleTextAttribute(output(), original);
    }
};

TEST_F(ConsoleWindow, AttributeIsTheScreenBuffersAndTheErrorColourIsUndone) {
    ::SetConsoleTextAttribute(output(), 0x1F);
    EXPECT_EQ(platform::console_attribute(), 0x1F);
    set_error_colour();
    EXPECT_EQ(screen_attribute(), ERROR_COLOUR);
    restore_colour();
    EXPECT_EQ(screen_attribute(), 0x1F);
}

TEST_F(ConsoleWindow, TitleIsTheWindowTitle) {
    platform::console_set_title("3-TG0ZQC74N9X2PW183M5B");
    char title[64] = "";
    ::GetConsoleTitleA(title, sizeof title);
    EXPECT_STREQ(title, "3-TG0ZQC74N9X2PW183M5B");
}

TEST_F(ConsoleWindow, OneKeyPressIsReadWithoutEcho) {
    // A shift key alone and key releases carry no character and are passed over.
    type_in(
        {key_event('\0', true, VK_SHIFT), key_event('Y', true), key_event('Y', false), key_event('n', true)});
    const COORD before = cursor();
    EXPECT_EQ(platform::console_read_key(), 'Y');
    EXPECT_EQ(platform::console_read_key(), 'n');
    const COORD after = cursor();
    EXPECT_EQ(after.X, before.X);
    EXPECT_EQ(after.Y, before.Y);
}

TEST_F(ConsoleWindow, KeysTypedAheadAreDropped) {
    type_in({key_event('y', true), key_event('y', true)});
    platform::console_drop_typed_ahead();
    type_in({key_event('n', true)});
    EXPECT_EQ(platform::console_read_key(), 'n');
}

TEST(RedirectedConsole, AttributeIsRememberedWhenOutputIsNoConsole) {
    CONSOLE_SCREEN_BUFFER_INFO info{};
    ASSERT_FALSE(::GetConsoleScreenBufferInfo(output(), &info)) << "standard output is a console";
    const uint16_t before = platform::console_attribute();
    set_error_colour();
    EXPECT_EQ(platform::console_attribute(), ERROR_COLOUR);
    restore_colour();
    EXPECT_EQ(platform::console_attribute(), before);
}

}  // namespace

// The operator console on Windows. ConsoleWindow tests need a real console
// (tools/test-windows gives them one on a pseudo terminal); the others run
// with standard output redirected to a file.
#include "host_main/console.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "console_window.h"
#include "platform/console.h"

namespace {

COORD cursor() {
    CONSOLE_SCREEN_BUFFER_INFO info{};
    EXPECT_TRUE(::GetConsoleScreenBufferInfo(output(), &info));
    return info.dwCursorPosition;
}

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

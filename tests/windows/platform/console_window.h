// The real console of the ConsoleWindow tests (tools/test-windows gives them
// one on a pseudo terminal) and the keys typed into it.
#pragma once

#include <gtest/gtest.h>
#include <windows.h>

#include <initializer_list>

inline HANDLE output() {
    return ::GetStdHandle(STD_OUTPUT_HANDLE);
}

inline HANDLE input() {
    return ::GetStdHandle(STD_INPUT_HANDLE);
}

inline WORD screen_attribute() {
    CONSOLE_SCREEN_BUFFER_INFO info{};
    EXPECT_TRUE(::GetConsoleScreenBufferInfo(output(), &info));
    return info.wAttributes;
}

inline INPUT_RECORD key_event(char key, bool down, WORD virtual_key = 0) {
    INPUT_RECORD record{};
    record.EventType = KEY_EVENT;
    record.Event.KeyEvent.bKeyDown = down;
    record.Event.KeyEvent.wRepeatCount = 1;
    record.Event.KeyEvent.wVirtualKeyCode = virtual_key;
    record.Event.KeyEvent.uChar.AsciiChar = key;
    return record;
}

inline void type_in(std::initializer_list<INPUT_RECORD> records) {
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

#include "host_main/console.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <string>

#include "platform/console.h"
#include "support/captured_exit.h"
#include "support/scratch_dir.h"

namespace {

struct KeyCase {
    const char* typed;     // what standard input holds; it is closed after it
    const char* accepted;  // null: any key
    char answer;
    const char* printed;
};

// Standard input here is a file, as when a station script pipes answers in.
TEST(PromptKeyDeathTest, AnswersFromScriptedInput) {
    const KeyCase cases[] = {
        {"Y", "yn", 'y', "Proceed ?y\n"},   {"x\r\nN", "yn", 'n', "Proceed ?n\n"},
        {"ny", "yn", 'n', "Proceed ?n\n"},  {"", "yn", 'n', "Proceed ?n\n"},
        {"abc", "yn", 'n', "Proceed ?n\n"}, {"Q", nullptr, 'q', "Proceed ?"},
        {"", nullptr, '\0', "Proceed ?"},
    };
    const ScratchDir scratch;
    const std::string input_path = scratch.file("typed_keys.txt");
    for (const KeyCase& c : cases) {
        std::ofstream(input_path, std::ios::binary) << c.typed;
        std::string printed;
        EXPECT_EXIT_CAPTURED(
            {
                if (std::freopen(input_path.c_str(), "r", stdin) == nullptr) {
                    std::abort();
                }
                const char key = prompt_key("Proceed ?", c.accepted);
                std::fflush(stdout);
                std::_Exit(static_cast<unsigned char>(key) == static_cast<unsigned char>(c.answer) ? 0 : 2);
            },
            0, printed);
        EXPECT_EQ(printed, c.printed) << "typed \"" << c.typed << "\"";
    }
}

TEST(ErrorColour, RestoresTheColourTheConsoleHadBefore) {
    platform::console_set_attribute(0x1F);
    set_error_colour();
    EXPECT_EQ(platform::console_attribute(), ERROR_COLOUR);
    restore_colour();
    EXPECT_EQ(platform::console_attribute(), 0x1F);
    platform::console_set_attribute(0x07);
}

}  // namespace

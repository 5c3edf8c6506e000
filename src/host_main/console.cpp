#include "host_main/console.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>

#include "platform/console.h"
#include "platform/debug_output.h"

namespace {

uint16_t saved_attribute = 0;

constexpr char DECLINING_KEY = 'n';

char to_lower(int key) {
    return static_cast<char>(key >= 'A' && key <= 'Z' ? key - 'A' + 'a' : key);
}

char accept(char key) {
    std::printf("%c\n", key);
    platform::console_drop_typed_ahead();
    std::fflush(stdout);
    return key;
}

}  // namespace

void set_error_colour() {
    saved_attribute = platform::console_attribute();
    platform::console_set_attribute(ERROR_COLOUR);
}

void restore_colour() {
    platform::console_set_attribute(saved_attribute);
}

char prompt_key(const char* prompt, const char* accepted_keys) {
    if (prompt != nullptr) {
        std::printf("%s", prompt);
    }
    std::fflush(stdout);
    for (;;) {
        const int key = platform::console_read_key();
        if (key == platform::CONSOLE_END_OF_INPUT) {
            const bool can_decline = accepted_keys != nullptr && std::strchr(accepted_keys, DECLINING_KEY);
            return can_decline ? accept(DECLINING_KEY) : 0;
        }
        const char lower = to_lower(key);
        if (accepted_keys == nullptr) {
            return lower;
        }
        if (lower != '\0' && std::strchr(accepted_keys, lower) != nullptr) {
            return accept(lower);
        }
    }
}

void debug_print(const char* format, ...) {
    char text[8192];
    va_list arguments;
    va_start(arguments, format);
    std::vsnprintf(text, sizeof text, format, arguments);
    va_end(arguments);
    platform::debug_output(text);
}

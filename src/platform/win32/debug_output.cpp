#include "platform/debug_output.h"

#include <windows.h>

namespace platform {

// A debugger, or a viewer of debugger output, shows the text; without one it
// goes nowhere.
void debug_output(const char* text) {
    ::OutputDebugStringA(text);
}

}  // namespace platform

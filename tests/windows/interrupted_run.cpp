// interrupted_run <ready event> <go event> [<console control event>]
// A run interrupted while it waits: sets the error colour and a console title
// through the platform console, as the tool does, sets the ready event and
// waits for the go event (both inherited from the starter, as handle values).
// With a control event it then hands that event to the console's handler
// itself, as the system would, and ends with exit code 3 when the handler
// leaves it alone; without one it ends with exit code 0.
#include <windows.h>

#include <cstdlib>

#include "host_main/console.h"
#include "platform/console.h"
#include "platform/win32/interruption.h"

namespace {

constexpr int HANDLER_DECLINED = 3;

HANDLE inherited_handle(const char* value) {
    return reinterpret_cast<HANDLE>(std::strtoull(value, nullptr, 10));
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 3) {
        return 2;
    }
    platform::console_set_attribute(ERROR_COLOUR);
    platform::console_set_title("3-TG0ZQC74N9X2PW183M5B");
    ::SetEvent(inherited_handle(argv[1]));
    ::WaitForSingleObject(inherited_handle(argv[2]), INFINITE);
    if (argc < 4) {
        return 0;
    }
    platform::end_interrupted_run(static_cast<DWORD>(std::strtoul(argv[3], nullptr, 10)));
    return HANDLER_DECLINED;
}

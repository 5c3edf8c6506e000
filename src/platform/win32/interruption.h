// The end of a run interrupted from the console (platform/win32/console.cpp).
#pragma once

#include <windows.h>

namespace platform {

// The console control handler, registered when the program starts. Ctrl-C,
// Ctrl-Break, the console window closed, logoff and shutdown put back the
// console's colour attribute and title as the run found them, and end the
// process with exit code 1 without the exit handlers of a normal end. Other
// events are left to the next handler. Windows hands logoff and shutdown to
// a console handler only in a process that has not loaded user32, which the
// operator message box needs; otherwise it ends the process itself then.
// Declared for the tests, which hand it events as the system does.
BOOL WINAPI end_interrupted_run(DWORD event);

}  // namespace platform

// The diagnostics channel the operator never sees. On POSIX each text is
// appended to the file named by $PRODTOOL_DEBUG_LOG, and goes nowhere when
// the variable is not set.
#pragma once

namespace platform {

void debug_output(const char* text);

}  // namespace platform

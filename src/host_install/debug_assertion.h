// Internal consistency checks of the installation. A check that fails means
// the host-side state is impossible, so nothing more may reach the drive: the
// failure is shown with the source and line, the station receives the trail
// with the check's source and line as the fail record, the operator
// acknowledges it with a key, and the process ends with exit code 1 like
// every other failure: the drive is not produced.
#pragma once

[[noreturn]] void debug_assertion_failure(const char* source_path, int line);

// Checks the condition and reports the line of the check.
#define DEBUG_ASSERT(condition) ((condition) ? void(0) : debug_assertion_failure(__FILE__, __LINE__))

// Checks the condition and reports the fixed number that stations and
// support know the check by.
#define DEBUG_ASSERT_AS_LINE(condition, reported_line) \
    ((condition) ? void(0) : debug_assertion_failure(__FILE__, (reported_line)))

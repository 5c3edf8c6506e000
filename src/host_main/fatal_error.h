// The tail of every fatal error: the "error at" line naming the reporting
// source and line, all output flushed, exit code 1. The reporting code has
// printed its messages and delivered its station record before.
#pragma once

[[noreturn]] void fatal_error(const char* source_path, unsigned line);

// The tail for the place where it is written.
#define FATAL_ERROR() fatal_error(__FILE__, __LINE__)

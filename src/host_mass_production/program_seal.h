// The program file's self-check. A sealed program file ends in the trailer
// "\nPRODTOOL-SEAL <64 hex digits>\n" carrying the SHA-256 digest of every
// byte before it (added when the program is built).
#pragma once

// True when the file ends in a seal that matches its contents.
bool file_seal_is_intact(const char* path);

// The files a failed read-back leaves in the current directory for support
// ("good.bin", "bad.bin", "bad<bank>.bin"). What stands there beside a
// failure's message is that failure's: the dumps an earlier run left are
// removed first, and a dump that cannot be written is named on the console
// with the reason.
#pragma once

#include <cstddef>
#include <cstdint>

// Before the first dump of a failure: removes every dump file name the tool
// writes (good.bin, bad.bin, bad0.bin to bad31.bin). One that cannot be
// removed is emptied; one that can be neither is named: "ERROR: cannot remove
// %s of an earlier run: %s\n" with the reason.
void remove_earlier_dumps();

// Creates or overwrites the file. One that cannot be written whole is removed
// again and named: "ERROR: cannot write %s: %s\n" with the reason. The failure
// it documents is reported either way.
void write_dump_file(const char* name, const uint8_t* data, size_t bytes);

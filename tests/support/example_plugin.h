// The example station log plug-in loaded straight from where it was built, as
// the tool loads it from beside the program, with its records going to a file
// of the test process's own.
#pragma once

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "host_main/station_log.h"
#include "platform/library.h"
#include "support/scratch_dir.h"

inline std::string load_example_plugin() {
    static const ScratchDir scratch;
    const std::string records = scratch.file("records.jsonl");
    std::remove(records.c_str());
    setenv("PRODTOOL_STATION_LOG", records.c_str(), 1);
    void* library = platform::library_load(COMPLETE_PLUGIN_PATH);
    station_plugin.library = library;
    station_plugin.initialize =
        reinterpret_cast<StationInitialize>(platform::library_symbol(library, "initialize"));
    station_plugin.write = reinterpret_cast<StationWrite>(platform::library_symbol(library, "write"));
    station_plugin.finalize =
        reinterpret_cast<StationFinalize>(platform::library_symbol(library, "finalize"));
    return records;
}

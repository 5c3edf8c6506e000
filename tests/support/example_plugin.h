// The example station log plug-in loaded straight from where it was built, as
// the tool loads it from beside the program, with its records going to a file
// of the running test's own.
#pragma once

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "host_main/station_log.h"
#include "platform/library.h"

inline std::string load_example_plugin() {
    const std::string records = testing::TempDir() + "records_" +
                                testing::UnitTest::GetInstance()->current_test_info()->name() + ".jsonl";
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

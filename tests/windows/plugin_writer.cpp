// plugin_writer <drive> <records> <go event>
// A tool on one station port as the plug-in sees it: loads stationlog.dll
// from beside this program, waits for the go event (inherited from the
// starter, as a handle value), then initializes with the drive number,
// writes the drive's long fail-record trail that many times and finalizes.
#include <windows.h>

#include <cstdlib>
#include <string>

#include "host_main/station_log.h"
#include "platform/library.h"
#include "support/station_records.h"

int main(int argc, char** argv) {
    if (argc < 4) {
        return 2;
    }
    char program[MAX_PATH];
    if (!platform::program_file_path(program, sizeof program)) {
        return 2;
    }
    std::string plugin_path = program;
    plugin_path = plugin_path.substr(0, plugin_path.rfind(platform::PATH_SEPARATOR) + 1) + "stationlog.dll";
    const platform::LibraryHandle plugin = platform::library_load(plugin_path.c_str());
    if (plugin == nullptr) {
        return 2;
    }
    const auto initialize =
        reinterpret_cast<StationInitialize>(platform::library_symbol(plugin, "initialize"));
    const auto write = reinterpret_cast<StationWrite>(platform::library_symbol(plugin, "write"));
    const auto finalize = reinterpret_cast<StationFinalize>(platform::library_symbol(plugin, "finalize"));
    const int drive = std::atoi(argv[1]);
    const int records = std::atoi(argv[2]);
    const std::string trail = long_trail(drive).text;
    ::WaitForSingleObject(reinterpret_cast<HANDLE>(std::strtoull(argv[3], nullptr, 10)), INFINITE);
    initialize(0, drive, "127.0.0.1", 40001, 0);
    for (int record = 0; record < records; ++record) {
        write(2, 4, 0, trail.c_str());
    }
    finalize();
    return 0;
}

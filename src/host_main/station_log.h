// The station result log: an optional plug-in, "stationlog.dll" beside the
// program, that receives start, finish and fail records, and the trail buffer
// whose text becomes the fail record when a step fails.
#pragma once

#include <cstddef>
#include <cstdint>

enum StageCode : int32_t {
    STAGE_TOOL_START = 10,
    STAGE_SATA_TEST = 0,
    STAGE_MODULE_TEST = 1,
    STAGE_FLASH_TEST = 2,
    STAGE_FIRMWARE_DOWNLOAD = 3,
};

enum StatusCode : int32_t {
    STATUS_START = 0,
    STATUS_FINISH = 1,
    STATUS_FAIL = 4,
};

using StationInitialize = int (*)(int, int, const char*, int, int);
using StationWrite = int (*)(int, int, int, const char*);
using StationFinalize = void (*)();

struct StationLogPlugin {
    void* library;  // null when no plug-in is loaded
    StationInitialize initialize;
    StationWrite write;
    StationFinalize finalize;
};

inline constexpr size_t LOG_BUFFER_BYTES = 8192;
inline constexpr int STATION_PORT = 40001;
inline constexpr char STATION_ADDRESS[] = "127.0.0.1";
inline constexpr char PLUGIN_FILE_NAME[] = "stationlog.dll";

extern StationLogPlugin station_plugin;
extern int32_t current_stage;
extern char log_buffer[LOG_BUFFER_BYTES];

namespace Host {
// Loads the plug-in from the program's directory; 1 when all three entries
// are there, else 0 with nothing loaded.
int load_dll_logger();
// The directory of the program file (up to 260 characters) into destination,
// when given; 1, or 0 when the program file cannot be found or its path is
// longer than 260 characters.
int get_application_path(char* destination);
}  // namespace Host

void station_log_start(uint32_t drive_number);

// Appends to the trail; 1 when appended, 0 without a plug-in or when the text
// would not fit.
int put_to_log_buffer(const char* format, ...) __attribute__((format(printf, 1, 2)));

void clear_log_buffer();

// One record with the current stage; with final = 1 the plug-in is then
// finalized and unloaded.
int station_log_write(int32_t status, int32_t reserved, int final, const char* format, ...)
    __attribute__((format(printf, 4, 5)));

// The trail as the fail record, then finalize and unload; the trail is cleared.
int station_log_flush();

// The normal end of the run: finalize and unload, no record.
void station_log_finish();

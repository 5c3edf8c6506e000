#include "host_main/station_log.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>

#include "host_main/console.h"
#include "platform/library.h"

StationLogPlugin station_plugin = {};
int32_t current_stage = STAGE_TOOL_START;
char log_buffer[LOG_BUFFER_BYTES];

namespace {

constexpr size_t APPLICATION_PATH_CHARS = 260;
// Room for any path the system can give the program's own file.
constexpr size_t PROGRAM_PATH_ROOM = 4096;

void unload_plugin() {
    platform::library_unload(station_plugin.library);
    station_plugin = {};
}

void finalize_and_unload() {
    if (station_plugin.library == nullptr) {
        return;
    }
    station_plugin.finalize();
    unload_plugin();
}

template <typename Entry>
bool look_up(Entry* entry, const char* name) {
    *entry = reinterpret_cast<Entry>(platform::library_symbol(station_plugin.library, name));
    if (*entry != nullptr) {
        return true;
    }
    debug_print("[Host::load_dll_logger]%s load fail.\n", name);
    unload_plugin();
    return false;
}

}  // namespace

// The program's own file is asked for first, with room for any path: when the
// system cannot name it at all, the program (its module) cannot be had; a
// path that is had but longer than 260 characters is the path failing.
int Host::get_application_path(char* destination) {
    char program[PROGRAM_PATH_ROOM];
    if (!platform::program_file_path(program, sizeof program)) {
        debug_print("[Host::get_application_path]Get module handle fail\n");
        return 0;
    }
    if (std::strlen(program) > APPLICATION_PATH_CHARS) {
        debug_print("[Host::get_application_path]Get module path fail\n");
        return 0;
    }
    if (destination != nullptr) {
        char* last_separator = std::strrchr(program, platform::PATH_SEPARATOR);
        if (last_separator != nullptr) {
            *last_separator = '\0';
        }
        std::strcpy(destination, program);
    }
    return 1;
}

int Host::load_dll_logger() {
    char path[APPLICATION_PATH_CHARS + sizeof PLUGIN_FILE_NAME + 1] = "";
    Host::get_application_path(path);
    const size_t length = std::strlen(path);
    if (length > 0 && path[length - 1] != platform::PATH_SEPARATOR) {
        path[length] = platform::PATH_SEPARATOR;
        path[length + 1] = '\0';
    }
    std::strcat(path, PLUGIN_FILE_NAME);

    station_plugin = {};
    station_plugin.library = platform::library_load(path);
    if (station_plugin.library == nullptr) {
        debug_print("[Host::load_dll_logger]Load library fail");
        return 0;
    }
    return look_up(&station_plugin.initialize, "initialize") && look_up(&station_plugin.write, "write") &&
                   look_up(&station_plugin.finalize, "finalize")
               ? 1
               : 0;
}

void station_log_start(uint32_t drive_number) {
    if (Host::load_dll_logger() == 0) {
        return;
    }
    clear_log_buffer();
    station_plugin.initialize(0, static_cast<int>(drive_number), STATION_ADDRESS, STATION_PORT, 0);
}

int put_to_log_buffer(const char* format, ...) {
    if (station_plugin.library == nullptr || station_plugin.write == nullptr) {
        return 0;
    }
    char text[LOG_BUFFER_BYTES];
    va_list arguments;
    va_start(arguments, format);
    std::vsnprintf(text, sizeof text, format, arguments);
    va_end(arguments);
    const size_t used = std::strlen(log_buffer);
    const size_t added = std::strlen(text);
    if (used + added > LOG_BUFFER_BYTES - 1) {
        debug_print("[put_to_log_buffer]Log is too long\n");
        return 0;
    }
    std::memcpy(log_buffer + used, text, added + 1);
    return 1;
}

void clear_log_buffer() {
    std::memset(log_buffer, 0, sizeof log_buffer);
}

int station_log_write(int32_t status, int32_t reserved, int final, const char* format, ...) {
    if (station_plugin.library == nullptr) {
        return 0;
    }
    char text[LOG_BUFFER_BYTES];
    va_list arguments;
    va_start(arguments, format);
    std::vsnprintf(text, sizeof text, format, arguments);
    va_end(arguments);
    const int result = station_plugin.write(current_stage, status, reserved, text);
    if (final == 1) {
        finalize_and_unload();
    }
    return result;
}

int station_log_flush() {
    int result = 0;
    if (station_plugin.library != nullptr) {
        result = station_plugin.write(current_stage, STATUS_FAIL, 0, log_buffer);
        finalize_and_unload();
    }
    clear_log_buffer();
    return result;
}

void station_log_finish() {
    finalize_and_unload();
}

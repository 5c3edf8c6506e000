#include "host_install/install_failure.h"

#include <cstdio>

#include "host_install/dump_file.h"
#include "host_main/fatal_error.h"
#include "host_main/station_log.h"

void install_failure(const char* station_line, const char* source_path, unsigned line) {
    put_to_log_buffer("%s", station_line);
    station_log_flush();
    fatal_error(source_path, line);
}

void install_corruption(const char* station_line, const uint8_t* written, const uint8_t* read, size_t bytes,
                        const char* source_path, unsigned line) {
    std::printf("\nERROR: data corruption. see good.bin and bad.bin\n");
    remove_earlier_dumps();
    write_dump_file("good.bin", written, bytes);
    write_dump_file("bad.bin", read, bytes);
    install_failure(station_line, source_path, line);
}

#include "host_install/dump_file.h"

#include <cstdio>

void write_dump_file(const char* name, const uint8_t* data, size_t bytes) {
    std::FILE* file = std::fopen(name, "w+b");
    if (file == nullptr) {
        return;
    }
    std::fwrite(data, 1, bytes, file);
    std::fclose(file);
}

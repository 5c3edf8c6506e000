#include "host_install/dump_file.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <system_error>

#include "run_state/work_block.h"

namespace {

// A directory that cannot be changed refuses the removal of a name it does
// not hold too: only a name that is there counts.
void remove_earlier_dump(const char* name) {
    std::error_code error;
    if (!std::filesystem::exists(std::filesystem::symlink_status(name, error)) || std::remove(name) == 0) {
        return;
    }
    const int why = errno;
    if (std::FILE* emptied = std::fopen(name, "wb")) {
        std::fclose(emptied);
        return;
    }
    std::printf("ERROR: cannot remove %s of an earlier run: %s\n", name, std::strerror(why));
}

}  // namespace

void remove_earlier_dumps() {
    remove_earlier_dump("good.bin");
    remove_earlier_dump("bad.bin");
    for (unsigned bank = 0; bank < BANK_POSITIONS; ++bank) {
        char name[16];
        std::snprintf(name, sizeof name, "bad%u.bin", bank);
        remove_earlier_dump(name);
    }
}

void write_dump_file(const char* name, const uint8_t* data, size_t bytes) {
    std::FILE* file = std::fopen(name, "w+b");
    if (file == nullptr) {
        std::printf("ERROR: cannot write %s: %s\n", name, std::strerror(errno));
        return;
    }
    const bool written = std::fwrite(data, 1, bytes, file) == bytes && std::fflush(file) == 0;
    const int why = errno;
    const bool closed = std::fclose(file) == 0;
    if (!written || !closed) {
        std::printf("ERROR: cannot write %s: %s\n", name, std::strerror(written ? errno : why));
        std::remove(name);
    }
}

// simdrive age: field use of a produced drive (model/field_use.h).
#include <cstdio>
#include <cstdlib>

#include "model/drive.h"
#include "model/field_use.h"
#include "tools/simdrive.h"

namespace sim {

int age_drive(const std::string& path, int argc, char** argv) {
    const uint32_t grown = argc > 0 ? static_cast<uint32_t>(std::strtoul(argv[0], nullptr, 0)) : 3;
    const uint64_t seed = argc > 1 ? std::strtoull(argv[1], nullptr, 0) : 0;
    std::string error, log;
    const std::unique_ptr<Drive> drive = load_drive(path, &error);
    if (!drive) {
        std::fprintf(stderr, "simdrive: %s\n", error.c_str());
        return 1;
    }
    const bool aged = age_in_field(*drive, grown, seed, &log);
    std::fputs(log.c_str(), aged ? stdout : stderr);
    if (!aged || !save_drive(*drive, path, &error)) {
        std::fprintf(stderr, "simdrive: %s\n", aged ? error.c_str() : "drive not aged");
        return 1;
    }
    return 0;
}

}  // namespace sim

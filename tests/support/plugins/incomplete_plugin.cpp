// A station log plug-in without its finalize entry. The tool must unload it
// at once and never call it; any call is recorded so a test can see it.
#include <cstdio>
#include <cstdlib>

namespace {

void record(const char* call) {
    if (const char* path = std::getenv("PRODTOOL_STATION_LOG")) {
        if (std::FILE* file = std::fopen(path, "a")) {
            std::fprintf(file, "{\"call\":\"%s\"}\n", call);
            std::fclose(file);
        }
    }
}

}  // namespace

extern "C" {

__attribute__((visibility("default"))) int initialize(int, int, const char*, int, int) {
    record("initialize");
    return 0;
}

__attribute__((visibility("default"))) int write(int, int, int, const char*) {
    record("write");
    return 0;
}
}

// A station log plug-in that lacks one entry: finalize, or, built with
// PLUGIN_WITHOUT_WRITE, write (a name the C library defines too). The tool
// must unload it at once and never call it; any call is recorded so a test
// can see it.
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

#ifdef PLUGIN_WITHOUT_WRITE
__attribute__((visibility("default"))) void finalize() {
    record("finalize");
}
#else
__attribute__((visibility("default"))) int write(int, int, int, const char*) {
    record("write");
    return 0;
}
#endif
}

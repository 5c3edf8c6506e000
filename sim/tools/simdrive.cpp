// simdrive create <drive file> <scenario.json>
// simdrive show <drive file>
// simdrive dump <drive file> <bank> <block> <page>
// simdrive age <drive file> [<grown bad blocks> [<seed>]]
// simdrive jumper <drive file> factory|normal
// simdrive mount <dir> <drive file>...
#include "tools/simdrive.h"

#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <sstream>

#include "model/drive.h"
#include "model/scenario.h"

namespace {

void usage() {
    std::fprintf(stderr,
                 "usage: simdrive create <drive file> <scenario.json>\n"
                 "       simdrive show <drive file>\n"
                 "       simdrive dump <drive file> <bank> <block> <page>\n"
                 "       simdrive age <drive file> [<grown bad blocks> [<seed>]]\n"
                 "       simdrive jumper <drive file> factory|normal\n"
                 "       simdrive mount <dir> <drive file>...\n");
}

int create(const std::string& path, const char* scenario_path) {
    std::ifstream in(scenario_path, std::ios::binary);
    if (!in) {
        std::fprintf(stderr, "simdrive: cannot read %s\n", scenario_path);
        return 1;
    }
    const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::string error;
    const std::unique_ptr<sim::Drive> drive = sim::drive_from_scenario(text, &error);
    if (!drive || !sim::save_drive(*drive, path, &error)) {
        std::fprintf(stderr, "simdrive: %s\n", error.c_str());
        return 1;
    }
    return 0;
}

int set_jumper(const std::string& path, const char* setting) {
    if (std::strcmp(setting, "factory") != 0 && std::strcmp(setting, "normal") != 0) {
        usage();
        return 2;
    }
    std::string error;
    std::unique_ptr<sim::Drive> drive = sim::load_drive(path, &error);
    if (drive) {
        drive->config.factory_jumper = std::strcmp(setting, "factory") == 0;
    }
    if (!drive || !sim::save_drive(*drive, path, &error)) {
        std::fprintf(stderr, "simdrive: %s\n", error.c_str());
        return 1;
    }
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 3) {
        usage();
        return 2;
    }
    const std::string command = argv[1];
    const std::string path = argv[2];
    if (command == "create" && argc == 4) {
        return create(path, argv[3]);
    }
    if (command == "show" && argc == 3) {
        return sim::show_drive(path);
    }
    if (command == "dump") {
        return sim::dump_page(path, argc - 3, argv + 3);
    }
    if (command == "age") {
        return sim::age_drive(path, argc - 3, argv + 3);
    }
    if (command == "jumper" && argc == 4) {
        return set_jumper(path, argv[3]);
    }
    if (command == "mount" && argc >= 4) {
        return sim::mount_drives(path, std::vector<std::string>(argv + 3, argv + argc));
    }
    usage();
    return 2;
}

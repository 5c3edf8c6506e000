// simdrive: makes, shows and changes simulated drive files.
#pragma once

#include <string>

namespace sim {

int show_drive(const std::string& path);
int dump_page(const std::string& path, int argc, char** argv);
int age_drive(const std::string& path, int argc, char** argv);

}  // namespace sim

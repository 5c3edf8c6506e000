// simdrive: makes, shows and changes simulated drive files.
#pragma once

#include <string>

#include "model/drive.h"

namespace sim {

int show_drive(const std::string& path);
// The boot verdict and the last run's counts and modeled time.
void show_last_run(const Drive& drive);
int dump_page(const std::string& path, int argc, char** argv);
int age_drive(const std::string& path, int argc, char** argv);

}  // namespace sim

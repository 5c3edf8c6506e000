// simdrive: makes, shows and changes simulated drive files.
#pragma once

#include <string>
#include <vector>

#include "model/drive.h"

namespace sim {

int show_drive(const std::string& path);
// The boot verdict and the last run's counts and modeled time.
void show_last_run(const Drive& drive);
int dump_page(const std::string& path, int argc, char** argv);
int age_drive(const std::string& path, int argc, char** argv);
// Serves the drive files in `dir` until it is unmounted (sim/fuse).
int mount_drives(const std::string& dir, const std::vector<std::string>& files);

}  // namespace sim

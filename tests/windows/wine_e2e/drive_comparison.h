// Two simulated drives compared after the same run on Linux and on Windows.
#pragma once

#include <string>

#include "model/drive.h"

namespace wine_e2e {

// Every difference, one per line; empty when the drives hold the same. The
// stamp's station directory (the current directory of the run) is left out:
// it is a Windows path on one side.
std::string drive_differences(const sim::Drive& linux_drive, const sim::Drive& windows_drive);

// The station directory recorded in the stamp of the first populated bank;
// empty when the drive holds no stamp.
std::string stamp_station_dir(const sim::Drive& drive);

}  // namespace wine_e2e

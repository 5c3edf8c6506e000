// One run per drive file: the claim a prodtool-sim process takes on the
// drive file it opens, as the station's platform claims a physical drive.
#pragma once

#include <string>

namespace sim_link {

// Claims the drive file at `path` for this process until it ends; false when
// another process holds it. A drive file is replaced by a new file at every
// save, so the claim is keyed by the file's name (its canonical path), not
// held on the file: Linux, an abstract local socket bound to that key;
// Windows, a mutex named with it.
bool claim_drive_file(const std::string& path);

}  // namespace sim_link

// simdrive mount in a simdrive built without libfuse3.
#include <cstdio>

#include "tools/simdrive.h"

namespace sim {

int mount_drives(const std::string&, const std::vector<std::string>&) {
    std::fprintf(stderr, "simdrive: mount needs FUSE, and this simdrive was built without libfuse3\n");
    return 1;
}

}  // namespace sim

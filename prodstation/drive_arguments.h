// The drives of a run as the operator names them: "3", or "3:S<serial>" with
// options for that drive alone ("3:S<serial>:T").
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "port.h"

namespace station {

// The ports, in the order given; nothing, with the argument at fault, when
// one is no drive number or a drive is named twice.
std::optional<std::vector<Port>> drive_ports(const std::vector<std::string>& arguments, std::string* fault);

// The build a tool belongs to, from its folder: "b3" in a build tree,
// "build3" in a release.
std::optional<std::string> tool_build(const std::string& tool);

}  // namespace station

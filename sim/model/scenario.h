// Scenarios: a drive described in JSON (format in sim/README.md), from which
// simdrive and the end-to-end tests make drive files.
#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "model/drive.h"

namespace sim {

// Null, with a message, when the scenario is not valid.
std::unique_ptr<Drive> drive_from_scenario(std::string_view json, std::string* error);

}  // namespace sim

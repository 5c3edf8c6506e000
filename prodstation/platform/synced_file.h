// Appending to the results file, which several runs ending together share.
#pragma once

#include <string>
#include <string_view>

namespace station {

// Appends the text with one write at the file's end and syncs it to the
// disk before returning. False when it cannot be.
bool append_synced(const std::string& path, std::string_view text);

}  // namespace station

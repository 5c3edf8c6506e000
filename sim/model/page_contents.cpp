#include <string>

#include "model/drive.h"

namespace sim {

uint32_t intern_contents(PageContents& contents, const uint8_t* data, uint32_t bytes) {
    while (bytes > 0 && data[bytes - 1] == 0xFF) {
        --bytes;
    }
    std::string key(reinterpret_cast<const char*>(data), bytes);
    const auto [entry, added] = contents.index.try_emplace(std::move(key), contents.by_id.size());
    if (added) {
        contents.by_id.push_back(&entry->first);
    }
    return entry->second;
}

const std::string& contents_of(const PageContents& contents, uint32_t id) {
    return *contents.by_id[id];
}

}  // namespace sim

// A small JSON reader for scenario files.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace sim {

struct JsonValue {
    enum class Type { null, boolean, number, string, array, object };
    Type type = Type::null;
    bool boolean = false;
    double number = 0;
    std::string text;
    std::vector<JsonValue> items;
    std::vector<std::string> member_names;  // an object's members, in order
    std::vector<JsonValue> member_values;

    // The member of an object with this name, or null.
    const JsonValue* member(std::string_view name) const;
};

// False with a message naming the byte offset when the text is not JSON.
bool parse_json(std::string_view text, JsonValue* out, std::string* error);

}  // namespace sim

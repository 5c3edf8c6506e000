#include "model/json.h"

#include <cctype>
#include <cstdlib>

namespace sim {

namespace {

struct Parser {
    std::string_view text;
    size_t at = 0;
    std::string error;

    bool fail(const char* what) {
        if (error.empty()) {
            error = std::string(what) + " at byte " + std::to_string(at);
        }
        return false;
    }
    void skip_space() {
        while (at < text.size() && std::isspace(static_cast<unsigned char>(text[at]))) {
            ++at;
        }
    }
    bool take(char c) {
        skip_space();
        if (at < text.size() && text[at] == c) {
            ++at;
            return true;
        }
        return false;
    }
    bool word(std::string_view w) {
        if (text.substr(at, w.size()) != w) {
            return false;
        }
        at += w.size();
        return true;
    }
    bool string(std::string* out) {
        if (!take('"')) {
            return fail("expected a string");
        }
        while (at < text.size() && text[at] != '"') {
            char c = text[at++];
            if (c == '\\' && at < text.size()) {
                const char e = text[at++];
                c = e == 'n' ? '\n' : e == 't' ? '\t' : e == 'r' ? '\r' : e;
            }
            out->push_back(c);
        }
        return at++ < text.size() || fail("unterminated string");
    }
    bool number(double* out) {
        const std::string rest(text.substr(at, 64));
        char* end = nullptr;
        *out = std::strtod(rest.c_str(), &end);
        if (end == rest.c_str()) {
            return fail("expected a value");
        }
        at += static_cast<size_t>(end - rest.c_str());
        return true;
    }
    bool array(JsonValue* out) {
        out->type = JsonValue::Type::array;
        if (take(']')) {
            return true;
        }
        do {
            out->items.emplace_back();
            if (!value(&out->items.back())) {
                return false;
            }
        } while (take(','));
        return take(']') || fail("expected , or ]");
    }
    bool object(JsonValue* out) {
        out->type = JsonValue::Type::object;
        if (take('}')) {
            return true;
        }
        do {
            std::string name;
            skip_space();
            if (!string(&name) || !(take(':') || fail("expected :"))) {
                return false;
            }
            out->member_names.push_back(std::move(name));
            out->member_values.emplace_back();
            if (!value(&out->member_values.back())) {
                return false;
            }
        } while (take(','));
        return take('}') || fail("expected , or }");
    }
    bool value(JsonValue* out) {
        skip_space();
        if (take('{')) {
            return object(out);
        }
        if (take('[')) {
            return array(out);
        }
        if (at < text.size() && text[at] == '"') {
            out->type = JsonValue::Type::string;
            return string(&out->text);
        }
        if (word("true") || word("false")) {
            out->type = JsonValue::Type::boolean;
            out->boolean = text[at - 1] == 'e' && text[at - 2] == 'u';
            return true;
        }
        if (word("null")) {
            return true;
        }
        out->type = JsonValue::Type::number;
        return number(&out->number);
    }
};

}  // namespace

const JsonValue* JsonValue::member(std::string_view name) const {
    for (size_t i = 0; i < member_names.size(); ++i) {
        if (member_names[i] == name) {
            return &member_values[i];
        }
    }
    return nullptr;
}

bool parse_json(std::string_view text, JsonValue* out, std::string* error) {
    Parser parser;
    parser.text = text;
    *out = JsonValue{};
    if (!parser.value(out)) {
        *error = parser.error;
        return false;
    }
    parser.skip_space();
    if (parser.at != text.size()) {
        *error = "text after the value at byte " + std::to_string(parser.at);
        return false;
    }
    return true;
}

}  // namespace sim

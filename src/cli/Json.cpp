#include "cli/Json.h"

#include <cstdio>

namespace upsconfig {
namespace {

void Quote(std::string& text, const std::string& value) {
    text.push_back('"');
    for (const char c : value) {
        switch (c) {
            case '"':
                text += "\\\"";
                break;
            case '\\':
                text += "\\\\";
                break;
            case '\n':
                text += "\\n";
                break;
            case '\r':
                text += "\\r";
                break;
            case '\t':
                text += "\\t";
                break;
            default:
                if (static_cast<unsigned char>(c) < 0x20) {
                    char escaped[8];
                    std::snprintf(escaped, sizeof escaped, "\\u%04x", c);
                    text += escaped;
                } else {
                    text.push_back(c);
                }
        }
    }
    text.push_back('"');
}

void Indent(std::string& text, int depth) { text.append(static_cast<std::size_t>(depth) * 2, ' '); }

}  // namespace

Json Json::Object() {
    Json json;
    json.type_ = Type::Object;
    return json;
}

Json Json::Array() {
    Json json;
    json.type_ = Type::Array;
    return json;
}

Json& Json::Set(const std::string& key, Json value) {
    for (auto& [name, member] : members_) {
        if (name == key) {
            member = std::move(value);
            return *this;
        }
    }
    members_.emplace_back(key, std::move(value));
    return *this;
}

Json& Json::Push(Json value) {
    items_.push_back(std::move(value));
    return *this;
}

std::string Json::Dump() const {
    std::string text;
    DumpTo(text, 0);
    text.push_back('\n');
    return text;
}

void Json::DumpTo(std::string& text, int depth) const {
    switch (type_) {
        case Type::Null:
            text += "null";
            return;
        case Type::Bool:
            text += bool_ ? "true" : "false";
            return;
        case Type::Number:
            text += std::to_string(number_);
            return;
        case Type::String:
            Quote(text, string_);
            return;
        case Type::Array:
        case Type::Object:
            break;
    }
    const bool object = type_ == Type::Object;
    const std::size_t count = object ? members_.size() : items_.size();
    text += object ? "{" : "[";
    for (std::size_t i = 0; i < count; ++i) {
        text += i == 0 ? "\n" : ",\n";
        Indent(text, depth + 1);
        if (object) {
            Quote(text, members_[i].first);
            text += ": ";
            members_[i].second.DumpTo(text, depth + 1);
        } else {
            items_[i].DumpTo(text, depth + 1);
        }
    }
    if (count > 0) {
        text.push_back('\n');
        Indent(text, depth);
    }
    text += object ? "}" : "]";
}

}  // namespace upsconfig

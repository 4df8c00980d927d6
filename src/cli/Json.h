#pragma once

#include <cstddef>
#include <string>
#include <utility>
#include <vector>

namespace upsconfig {

// A JSON value for the command line's --json output: objects keep their keys in the order set.
class Json {
  public:
    Json() = default;  // null
    Json(std::nullptr_t) {}
    Json(bool value) : type_(Type::Bool), bool_(value) {}
    Json(int value) : type_(Type::Number), number_(value) {}
    Json(unsigned value) : type_(Type::Number), number_(value) {}
    Json(long long value) : type_(Type::Number), number_(value) {}
    Json(std::string value) : type_(Type::String), string_(std::move(value)) {}
    Json(const char* value) : type_(Type::String), string_(value) {}

    static Json Object();
    static Json Array();

    // Sets a member of an object, replacing one of the same key.
    Json& Set(const std::string& key, Json value);
    // Appends to an array.
    Json& Push(Json value);

    // Two-space indentation, a line per member.
    std::string Dump() const;

  private:
    enum class Type { Null, Bool, Number, String, Array, Object };
    void DumpTo(std::string& text, int depth) const;

    Type type_ = Type::Null;
    bool bool_ = false;
    long long number_ = 0;
    std::string string_;
    std::vector<Json> items_;
    std::vector<std::pair<std::string, Json>> members_;
};

}  // namespace upsconfig

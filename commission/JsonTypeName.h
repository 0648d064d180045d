#pragma once
// How a message names the type of a JSON value: "a whole number", "an array".

#include <string>

#include <nlohmann/json.hpp>

namespace commission {

inline std::string JsonTypeName(const nlohmann::ordered_json& value) {
    if (value.is_number_integer()) return "a whole number";
    if (value.is_number()) return "a number with a fraction";
    if (value.is_array()) return "an array";
    if (value.is_object()) return "an object";
    return std::string("a ") + value.type_name();
}

}  // namespace commission

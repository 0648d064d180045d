#include "protocol/FieldNames.h"

namespace protocol {

std::optional<std::string> FieldLabel(std::string_view controlName, const CommandTable& commands) {
    if (auto place = FindFieldOf(commands, controlName)) return place->field->label;
    return std::nullopt;
}

std::string FieldDisplayName(std::string_view controlName) {
    if (auto label = FieldLabel(controlName)) return *label;
    return std::string(controlName);
}

}  // namespace protocol

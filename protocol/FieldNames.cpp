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

const ItemList* ItemsOf(std::string_view control) {
    if (auto place = FindFieldOf(AllSetCommands(), control)) return place->field->items;
    return nullptr;
}

std::optional<std::string> ItemText(std::string_view control, int index) {
    const ItemList* items = ItemsOf(control);
    if (!items || index < 0 || static_cast<std::size_t>(index) >= items->size()) return std::nullopt;
    return (*items)[static_cast<std::size_t>(index)];
}

}  // namespace protocol

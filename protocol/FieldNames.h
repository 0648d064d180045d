#pragma once
// The names a person reads for the converter's settings and their items, keyed by the object
// name of the control that holds each one: "Analog 7 · Coefficient",
// "Command 3 · Byte2", "Slave address". Used wherever a message names a field
// (refused input, differences found when verifying). The names are the
// labels of protocol/CommandTable's fields.

#include <optional>
#include <string>
#include <string_view>

#include "protocol/CommandTable.h"

namespace protocol {

// The name of the setting that the control `controlName` holds among the
// fields of `commands`, or nothing for a name that is no setting. UTF-8.
std::optional<std::string> FieldLabel(std::string_view controlName, const CommandTable& commands = AllSetCommands());
// The same, or the control's name where it holds no setting.
std::string FieldDisplayName(std::string_view controlName);

// The items of the drop-down `control` (system page, custom commands and
// channel columns alike), or nothing for a control that has none.
const ItemList* ItemsOf(std::string_view control);
// Item `index` of the drop-down `control`, or nothing outside its items.
std::optional<std::string> ItemText(std::string_view control, int index);

}  // namespace protocol

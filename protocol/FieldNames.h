#pragma once
// The names a person reads for the converter's settings, keyed by the object
// name of the control that holds each one: "Analog 7 · Coefficient",
// "Command 3 · Byte2", "Slave address". Used wherever a message names a field
// (refused input, differences found when verifying).

#include <optional>
#include <string>
#include <string_view>

namespace protocol {

// The name of the setting that the control `controlName` holds, or nothing
// for a name that is no setting of the converter. UTF-8.
std::optional<std::string> FieldLabel(std::string_view controlName);
// The same, or the control's name where it holds no setting.
std::string FieldDisplayName(std::string_view controlName);

}  // namespace protocol

#pragma once
// How each setting travels on the wire, and how much of it the converter's
// reply records (QX1 to QX5, COMR, COMP) carry back. One table, used to
// compare values as they travel and to refuse, before anything is sent or
// loaded, a value that could never be read back and so never verified.

#include <optional>
#include <string>

#include "commission/Configuration.h"

namespace commission {

// The value as it travels: "77" in the slave address is "077", item 3 of a
// two-digit box is "03". Nothing when it cannot be composed (not a number).
std::optional<std::string> WireForm(const Field& field, const Value& value);

// What keeps the value from coming back whole in the converter's reply:
// "'1234' is longer than the 3 digits the converter's reply carries back".
// Nothing when it fits. Values that cannot be composed at all are left to the
// send checks.
std::optional<std::string> CarryBackFault(const Field& field, const Value& value);

}  // namespace commission

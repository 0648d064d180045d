#pragma once
// How each setting travels on the wire, and how much of it the converter's
// reply records (QX1 to QX5, COMR, COMP) carry back, as each field's row of
// protocol/CommandTable says. Used to compare values as they travel and to
// refuse, before anything is sent or loaded, a value that could never be read
// back and so never verified.

#include <optional>
#include <string>

#include "commission/Configuration.h"

namespace commission {

// The value as it travels: "77" in the slave address is "077", item 3 of a
// two-digit box is "03". Nothing when it cannot be composed (not a number).
std::optional<std::string> WireForm(const Field& field, const Value& value);

// What keeps the value from coming back whole in the converter's reply: too
// long ("'1234' travels as 4 characters, more than the 3 characters the
// converter's reply carries back"), or, for a text that travels as typed into
// a record of fixed width (a channel's address, length, coefficient and data
// address, a parsing rule's bytes), too short ("\"10\" has 2 digits, the
// converter carries 5 (write \"00010\")"). Nothing when it fits. Values that
// cannot be composed at all are left to the send checks.
std::optional<std::string> CarryBackFault(const Field& field, const Value& value);

// A text of a fixed width that is shorter than it and all digits (hexadecimal
// ones for a parsing rule's bytes), padded with zeros on the left: "10" in a
// coefficient is "00010". Nothing for any other value.
std::optional<std::string> PaddedForm(const Field& field, const Value& value);

}  // namespace commission

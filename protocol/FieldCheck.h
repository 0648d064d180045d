#pragma once
// Checks a field's bytes before they go into a command, so that no typed text
// can break the frame: "," would shift every later field of the set command,
// "#" would end the frame early, and command data is sent as typed, so
// anything but hexadecimal digits could carry a whole command of its own.
// Shared by the window (at send time) and the sequences that write a whole
// configuration. Characters are single bytes (Latin-1).

#include <stdexcept>
#include <string>
#include <string_view>

#include "protocol/FieldNames.h"

namespace protocol {

// A field whose text cannot be sent. The message names the field as a person
// reads it, then the reason ("Analog 3 · Coefficient: \"1,5\" holds \",\" …");
// a reason that stands on its own ("Input data must be plural") is the whole
// message. UTF-8.
class EFieldRefused : public std::runtime_error {
public:
    enum class Naming { FieldFirst, ReasonOnly };
    EFieldRefused(std::string_view controlName, const std::string& reason, Naming naming = Naming::FieldFirst);
    const std::string& ControlName() const noexcept { return controlName_; }
    // The message without the field's name, for lists that name it already.
    const std::string& Reason() const noexcept { return reason_; }

private:
    std::string controlName_;
    std::string reason_;
};

// The bytes a field's text travels as: each character one byte (Latin-1).
// `utf8` is the text as typed; a character outside Latin-1 (or text that is
// not UTF-8) is refused, naming the field and quoting the text as typed.
std::string FieldBytesFromUtf8(std::string_view controlName, std::string_view utf8);

// A field sent as typed (a channel's text columns, a parsing rule's byte)
// must not hold "," or "#".
void CheckRawField(std::string_view controlName, std::string_view bytes);

// A custom command's data: an even number of characters first (else
// "Input data must be plural"), then hexadecimal digits only.
void CheckCommandData(std::string_view controlName, std::string_view bytes);

}  // namespace protocol

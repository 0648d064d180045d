#include "protocol/FieldCheck.h"

#include <algorithm>
#include <cctype>
#include <optional>

#include "protocol/Excerpt.h"
#include "protocol/FieldNames.h"
#include "protocol/Latin1.h"

namespace protocol {
namespace {

[[noreturn]] void Refuse(std::string_view controlName, std::string_view bytes, char character,
                         std::string_view why) {
    throw EFieldRefused(controlName, QuotedExcerpt(Latin1ToUtf8(bytes)) + " holds \"" +
                                         Latin1ToUtf8(std::string_view(&character, 1)) + "\", " +
                                         std::string(why) + "; nothing was sent");
}

bool IsHexDigit(char c) { return std::isxdigit(static_cast<unsigned char>(c)) != 0; }

}  // namespace

EFieldRefused::EFieldRefused(std::string_view controlName, const std::string& reason, Naming naming)
    : std::runtime_error(naming == Naming::FieldFirst ? FieldDisplayName(controlName) + ": " + reason : reason),
      controlName_(controlName),
      reason_(reason) {}

std::string FieldBytesFromUtf8(std::string_view controlName, std::string_view utf8) {
    Utf8Fault fault;
    if (auto bytes = Utf8ToLatin1(utf8, &fault)) return std::move(*bytes);
    if (fault.notUtf8) throw EFieldRefused(controlName, "the text is not UTF-8; nothing was sent");
    throw EFieldRefused(controlName, QuotedExcerpt(utf8) + " holds \"" +
                                         std::string(utf8.substr(fault.start, fault.length)) +
                                         "\", which cannot travel on the serial line (one byte per character, "
                                         "Latin-1 only); nothing was sent");
}

void CheckRawField(std::string_view controlName, std::string_view bytes) {
    const auto bad = std::find_if(bytes.begin(), bytes.end(), [](char c) { return c == ',' || c == '#'; });
    if (bad == bytes.end()) return;
    Refuse(controlName, bytes, *bad,
           *bad == ',' ? "which would split the field in two"
                       : "which would end the command early");
}

void CheckCommandData(std::string_view controlName, std::string_view bytes) {
    if (bytes.size() % 2 != 0) throw EFieldRefused(controlName, "Input data must be plural", EFieldRefused::Naming::ReasonOnly);
    const auto bad = std::find_if_not(bytes.begin(), bytes.end(), IsHexDigit);
    if (bad == bytes.end()) return;
    Refuse(controlName, bytes, *bad, "which is not a hexadecimal digit (0-9, A-F)");
}

}  // namespace protocol

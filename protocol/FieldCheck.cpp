#include "protocol/FieldCheck.h"

#include <algorithm>
#include <cctype>
#include <optional>

#include "protocol/FieldNames.h"

namespace protocol {
namespace {

// One Latin-1 byte as UTF-8, so that the message can quote it.
std::string Utf8(char byte) {
    const auto code = static_cast<unsigned char>(byte);
    if (code < 0x80) return std::string(1, byte);
    return {static_cast<char>(0xC0 | (code >> 6)), static_cast<char>(0x80 | (code & 0x3F))};
}

std::string Utf8(std::string_view bytes) {
    std::string text;
    for (char byte : bytes) text += Utf8(byte);
    return text;
}

[[noreturn]] void Refuse(std::string_view controlName, std::string_view bytes, char character,
                         std::string_view why) {
    throw EFieldRefused(controlName, "\"" + Utf8(bytes) + "\" holds \"" + Utf8(character) + "\", " +
                                         std::string(why) + "; nothing was sent");
}

bool IsHexDigit(char c) { return std::isxdigit(static_cast<unsigned char>(c)) != 0; }

// The next code point of `utf8` at `at`, advancing `at`; nothing for a
// sequence that is not UTF-8.
std::optional<char32_t> NextCodePoint(std::string_view utf8, std::size_t& at) {
    const auto lead = static_cast<unsigned char>(utf8[at]);
    const std::size_t length = lead < 0x80           ? 1
                               : (lead >> 5) == 0x06 ? 2
                               : (lead >> 4) == 0x0E ? 3
                               : (lead >> 3) == 0x1E ? 4
                                                     : 0;
    if (length == 0 || at + length > utf8.size()) return std::nullopt;
    char32_t code = length == 1 ? lead : lead & (0x7F >> length);
    for (std::size_t i = 1; i < length; ++i) {
        const auto next = static_cast<unsigned char>(utf8[at + i]);
        if ((next & 0xC0) != 0x80) return std::nullopt;
        code = (code << 6) | (next & 0x3F);
    }
    constexpr char32_t Smallest[] = {0, 0, 0x80, 0x800, 0x10000};  // shorter forms are not UTF-8
    if (code < Smallest[length] || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) return std::nullopt;
    at += length;
    return code;
}

}  // namespace

EFieldRefused::EFieldRefused(std::string_view controlName, const std::string& reason, Naming naming)
    : std::runtime_error(naming == Naming::FieldFirst ? FieldDisplayName(controlName) + ": " + reason : reason),
      controlName_(controlName),
      reason_(reason) {}

std::string FieldBytesFromUtf8(std::string_view controlName, std::string_view utf8) {
    std::string bytes;
    for (std::size_t at = 0; at < utf8.size();) {
        const std::size_t start = at;
        const auto code = NextCodePoint(utf8, at);
        if (!code)
            throw EFieldRefused(controlName, "the text is not UTF-8; nothing was sent");
        if (*code > 0xFF)
            throw EFieldRefused(controlName,
                                "\"" + std::string(utf8) + "\" holds \"" +
                                    std::string(utf8.substr(start, at - start)) +
                                    "\", which cannot travel on the serial line (one byte per character, "
                                    "Latin-1 only); nothing was sent");
        bytes += static_cast<char>(*code);
    }
    return bytes;
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

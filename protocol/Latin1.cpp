#include "protocol/Latin1.h"

namespace protocol {
namespace {

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

std::string Latin1ToUtf8(std::string_view latin1) {
    std::string utf8;
    for (unsigned char c : latin1) {
        if (c < 0x80) {
            utf8 += static_cast<char>(c);
        } else {
            utf8 += static_cast<char>(0xC0 | (c >> 6));
            utf8 += static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    return utf8;
}

std::optional<std::string> Utf8ToLatin1(std::string_view utf8, Utf8Fault* fault) {
    std::string latin1;
    for (std::size_t at = 0; at < utf8.size();) {
        const std::size_t start = at;
        const auto code = NextCodePoint(utf8, at);
        if (!code || *code > 0xFF) {
            if (fault) *fault = {.notUtf8 = !code, .start = start, .length = at - start};
            return std::nullopt;
        }
        latin1 += static_cast<char>(*code);
    }
    return latin1;
}

}  // namespace protocol

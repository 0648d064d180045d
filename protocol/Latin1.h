#pragma once
// The line carries one byte per character (Latin-1); files, terminals and
// the window's texts speak UTF-8.

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace protocol {

std::string Latin1ToUtf8(std::string_view latin1);

// Where a text stops being convertible: the bytes of the first character
// that is not UTF-8 or lies beyond U+00FF.
struct Utf8Fault {
    bool notUtf8 = false;
    std::size_t start = 0;
    std::size_t length = 0;
};
// Nothing when the text is no valid UTF-8 or holds a character beyond
// U+00FF; `fault` then says which and where.
std::optional<std::string> Utf8ToLatin1(std::string_view utf8, Utf8Fault* fault = nullptr);

}  // namespace protocol

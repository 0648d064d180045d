#pragma once
// The record holds bytes as the line carries them (Latin-1); files and
// terminals speak UTF-8.

#include <optional>
#include <string>
#include <string_view>

namespace commission {

std::string Latin1ToUtf8(std::string_view latin1);
// Nothing when the text is no valid UTF-8 or holds a character beyond U+00FF.
std::optional<std::string> Utf8ToLatin1(std::string_view utf8);

}  // namespace commission

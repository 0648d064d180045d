#pragma once
// Values quoted in messages, cut when they are long: a profile or a unit list
// may hold a value of 40,000 characters, and a message must stay readable.
// Texts are UTF-8; a character is never cut in two.

#include <cstddef>
#include <string>
#include <string_view>

namespace protocol {

// The most characters of a value that a message shows.
inline constexpr std::size_t ExcerptCharacters = 40;

// The text itself when it is short; else its first 40 characters, "…" and
// its length: "0000…0000… (40,000 characters)".
std::string Excerpt(std::string_view utf8);

// The same in quotes, the length after them: "\"10\"", or
// "\"0000…0000…\" (40,000 characters)". `mark` is the quote character.
std::string QuotedExcerpt(std::string_view utf8, char mark = '"');

}  // namespace protocol

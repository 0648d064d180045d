#include "protocol/Excerpt.h"

namespace protocol {
namespace {

bool Continues(char c) { return (static_cast<unsigned char>(c) & 0xC0) == 0x80; }

// The characters of a UTF-8 text; a byte that is not UTF-8 counts as one.
std::size_t Characters(std::string_view utf8) {
    std::size_t count = 0;
    for (char c : utf8) count += Continues(c) ? 0 : 1;
    return count;
}

// 40000 -> "40,000".
std::string Grouped(std::size_t n) {
    std::string digits = std::to_string(n);
    for (auto i = static_cast<std::ptrdiff_t>(digits.size()) - 3; i > 0; i -= 3)
        digits.insert(static_cast<std::size_t>(i), ",");
    return digits;
}

// The bytes of the first ExcerptCharacters characters.
std::size_t Head(std::string_view utf8) {
    std::size_t characters = 0, i = 0;
    for (; i < utf8.size(); ++i) {
        if (Continues(utf8[i])) continue;
        if (characters++ == ExcerptCharacters) break;
    }
    return i;
}

}  // namespace

std::string Excerpt(std::string_view utf8) {
    const std::size_t characters = Characters(utf8);
    if (characters <= ExcerptCharacters) return std::string(utf8);
    return std::string(utf8.substr(0, Head(utf8))) + "\u2026 (" + Grouped(characters) + " characters)";
}

std::string QuotedExcerpt(std::string_view utf8, char mark) {
    const std::size_t characters = Characters(utf8);
    if (characters <= ExcerptCharacters) return mark + std::string(utf8) + mark;
    return mark + std::string(utf8.substr(0, Head(utf8))) + "\u2026" + mark + " (" + Grouped(characters) +
           " characters)";
}

}  // namespace protocol

#pragma once
// The converter's command protocol: composing commands and reading fields
// back out of replies. Plain C++; characters are single bytes.

#include <cstddef>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "protocol/ReplyCodes.h"

namespace protocol {

inline constexpr std::string_view QueryPrefix = "PPPPPP#";
inline constexpr std::string_view SetPrefix = "HQLNVE#";

// The standard conversion error: "'<text>' is not a valid integer value".
class EConvertError : public std::runtime_error {
public:
    explicit EConvertError(std::string_view offendingText);
    const std::string& Text() const noexcept { return text_; }

private:
    std::string text_;
};

// Optional sign and decimal digits within 32-bit signed range; anything else
// (empty, blanks, letters, hex, overflow) throws EConvertError with the text as given.
int StrToInt(std::string_view text);
// The same test without throwing.
std::optional<int> TryStrToInt(std::string_view text);

// Field encodings.
std::string ItemIndexField(int index);          // "3", "-1"
std::string TwoDigitItemIndexField(int index);  // "05", "12", "0-1"
std::string PaddedNumber(int value, int digits);  // 7,3 -> "007"; -5,3 -> "-005"; 1234,3 -> "1234"

// prefix + word + "#", or prefix + word + ":" + fields joined by separator + "#".
std::string ComposeCommand(std::string_view prefix, std::string_view word,
                           const std::vector<std::string>& fields = {},
                           std::string_view separator = ",");

// Position (0-based) of the first occurrence of tag in text, exact and case-sensitive.
std::optional<std::size_t> FindTag(std::string_view text, std::string_view tag);
// The same, with any character accepted at tag[freePosition].
std::optional<std::size_t> FindTagWithFreePosition(std::string_view text, std::string_view tag,
                                                   std::size_t freePosition);

// The width characters at tagPosition + offset, or nothing when the text ends
// before the field does (a field cut short is never taken, not even in part).
std::optional<std::string_view> FieldAt(std::string_view text, std::size_t tagPosition,
                                        std::size_t offset, std::size_t width);

// What a reply parser does to the window, in order.
struct Assignment {
    enum class Kind { Text, ItemIndex, ReplyMode };
    Kind kind = Kind::Text;
    std::string control;  // object name of the edit or combo box; empty for ReplyMode
    std::string text;     // Kind::Text
    int value = 0;        // Kind::ItemIndex, Kind::ReplyMode

    static Assignment SetText(std::string control, std::string text);
    static Assignment SetItemIndex(std::string control, int index);
    static Assignment SetReplyMode(ReplyCode code);
    bool operator==(const Assignment&) const = default;
};

// The assignments of one parse and, when a conversion failed, the text that
// stopped it: the window applies the assignments in order, then raises
// EConvertError(*failedText).
struct ParseResult {
    std::vector<Assignment> assignments;
    std::optional<std::string> failedText;
};

// Reads a record field by field into a ParseResult, stopping for good at the
// first field that is cut short or does not convert.
class RecordReader {
public:
    RecordReader(std::string_view text, std::size_t tagPosition, ParseResult& result)
        : text_(text), tag_(tagPosition), result_(result) {}
    // Each returns false once the record has stopped (now or earlier).
    bool Text(std::size_t offset, std::size_t width, const std::string& control);
    bool ItemIndex(std::size_t offset, std::size_t width, const std::string& control);
    bool stopped() const { return stopped_; }
    bool failed() const { return result_.failedText.has_value(); }
    // Reads an integer field without assigning it anywhere.
    std::optional<int> Integer(std::size_t offset, std::size_t width);

private:
    std::string_view text_;
    std::size_t tag_;
    ParseResult& result_;
    bool stopped_ = false;
};

}  // namespace protocol

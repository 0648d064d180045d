#pragma once
// Comma-separated lines as spreadsheets write them: a field holding a comma,
// a quote or a line break is quoted, a quote inside doubled.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace commission {

// The fields of one line (without its line break); nothing when a quoted
// field is not closed or text follows its closing quote.
std::optional<std::vector<std::string>> SplitCsvLine(std::string_view line);

// One field as it is written: quoted only when it must be.
std::string CsvField(std::string_view text);
// Fields joined by commas, with a final line break. Line breaks inside
// fields become "; " so that every record is one line.
std::string CsvLine(const std::vector<std::string>& fields);

// The lines of a text: "\n" or "\r\n" ends a line; a last line without a
// break is a line too.
std::vector<std::string_view> SplitLines(std::string_view text);

}  // namespace commission

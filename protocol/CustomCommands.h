#pragma once
// The converter's six custom instrument commands: each an enable setting, a
// frame typed in hexadecimal, and a three-byte parsing rule of its answer.

#include <array>
#include <optional>
#include <string>
#include <string_view>

#include "protocol/Protocol.h"
#include "protocol/ReplyCodes.h"

namespace protocol {

inline constexpr int CustomCommandCount = 6;

// Object names of one group's controls that the read-backs fill.
struct CustomCommandControls {
    std::string_view enable;                 // "COMAD1"
    std::string_view data;                   // "COMDDATA1"
    std::array<std::string_view, 3> bytes;   // "ACOMBY1", "ACOMBY2", "ACOMBY3"
};

// Groups 1 to 6 at indexes 0 to 5.
extern const std::array<CustomCommandControls, CustomCommandCount> CustomCommandGroups;

// group is 1 to 6 in every function below. The set commands "COMW1" and
// "COMP01" are protocol/CommandTable's CustomCommandWrite and ParsingRuleWrite.
// "PPPPPP#COMR01#"
std::string CommandReadCommand(int group);
// "PPPPPP#COMP01#"
std::string ParsingRuleReadCommand(int group);

// Reads the first "COMRn:" record: enable index, byte count, then 2 x count
// characters of data into group n. A non-digit in the enable index or the
// count stops the parse with ReplyMode left alone; otherwise ReplyMode
// returns to 0, whether or not a record for groups 1 to 6 was there.
ParseResult ParseCommandReadBack(std::string_view text);
// Reads the first "COMP0n:" record: three two-character byte texts into
// group n. Converts nothing; ReplyMode returns to 0.
ParseResult ParseParsingRuleReadBack(std::string_view text);

}  // namespace protocol

#pragma once
// The one table from a reply code to its parser. Pure: no clock, no timer,
// no state; the window's reply path (console/window/ReplyPath.h) and the
// commissioning sequences both read replies through it.

#include <optional>
#include <string_view>

#include "protocol/Protocol.h"
#include "protocol/ReplyCodes.h"

namespace protocol {

// Runs the parser of reply `code` on `text`; nothing when no parser belongs to
// the code. The number is the window's reply mode, which may hold any.
std::optional<ParseResult> ParseReply(ReplyCode code, std::string_view text);
std::optional<ParseResult> ParseReply(int code, std::string_view text);

}  // namespace protocol

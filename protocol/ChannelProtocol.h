#pragma once
// A channel reply's tag and parser, for either channel table. A channel's set
// command is protocol/CommandTable's ChannelCommand.

#include <string>
#include <string_view>
#include <variant>

#include "protocol/ChannelTable.h"
#include "protocol/Protocol.h"

namespace protocol {

// A column's value as the window holds it: a combo box's item index or an edit's text.
using ColumnValue = std::variant<int, std::string>;

// "ZDAD07:", "ZDPD12:".
std::string ChannelReplyTag(const ChannelTable& table, int channel);

// Reads every channel whose record the text holds, channel by channel, each
// tag searched from the start of the text. ReplyMode returns to 0 where the
// table says and at the end. A record cut short by the end of the text is
// taken up to its last whole field; a field that does not convert stops the
// whole parse there, with everything before it kept.
ParseResult ParseChannelReply(const ChannelTable& table, std::string_view text);

}  // namespace protocol

#include "protocol/ReplyPath.h"

#include "protocol/ChannelProtocol.h"
#include "protocol/CustomCommands.h"
#include "protocol/SystemParameters.h"

namespace protocol {

std::optional<ParseResult> ParseReply(int code, std::string_view text) {
    switch (code) {
        case reply::SystemParameters: return ParseSystemParameters(text);
        case reply::AnalogChannels: return ParseChannelReply(AnalogChannels(), text);
        case reply::TotalizerChannels: return ParseChannelReply(TotalizerChannels(), text);
        case reply::CustomCommand: return ParseCommandReadBack(text);
        case reply::ParsingRule: return ParseParsingRuleReadBack(text);
        default: return std::nullopt;
    }
}

}  // namespace protocol

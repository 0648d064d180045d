#include "protocol/ParseReply.h"

#include "protocol/ChannelProtocol.h"
#include "protocol/CustomCommands.h"
#include "protocol/SystemParameters.h"

namespace protocol {

namespace {

// The parser of each reply code that is parsed.
struct ReplyParser {
    ReplyCode code;
    ParseResult (*parse)(std::string_view text);
};

constexpr ReplyParser Parsers[] = {
    {.code = ReplyCode::SystemParameters, .parse = [](std::string_view t) { return ParseSystemParameters(t); }},
    {.code = ReplyCode::AnalogChannels, .parse = [](std::string_view t) { return ParseChannelReply(AnalogChannels(), t); }},
    {.code = ReplyCode::TotalizerChannels,
     .parse = [](std::string_view t) { return ParseChannelReply(TotalizerChannels(), t); }},
    {.code = ReplyCode::CustomCommand, .parse = ParseCommandReadBack},
    {.code = ReplyCode::ParsingRule, .parse = ParseParsingRuleReadBack},
};

}  // namespace

std::optional<ParseResult> ParseReply(ReplyCode code, std::string_view text) {
    for (const auto& parser : Parsers)
        if (parser.code == code) return parser.parse(text);
    return std::nullopt;
}

std::optional<ParseResult> ParseReply(int code, std::string_view text) {
    return ParseReply(static_cast<ReplyCode>(code), text);
}

}  // namespace protocol

#include "protocol/ReplyPath.h"

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

void ReplyPath::Sending(std::optional<int> code) {
    if (code) {
        parseAt_.reset();
        mode_ = *code;
    }
}

void ReplyPath::SequenceRunning(bool on) {
    if (!on && sequence_) mode_ = Code(ReplyCode::None);
    sequence_ = on;
    parseAt_.reset();
}

ReplyPath::Received ReplyPath::BlockReceived(std::string_view block, bool laterBlockWaiting) {
    const bool parsed = reply::IsParsed(mode_);
    if (!parsed && !reply::IsShownOnly(mode_)) return {};
    const auto settle = laterBlockWaiting || sequence_ ? std::chrono::milliseconds{0} : SettleWait;
    text_.assign(block.substr(0, MaxText));
    if (!parsed || sequence_) {
        parseAt_.reset();
        return {Take::Shown, settle};
    }
    if (!parseAt_) parseAt_ = now_() + settle + ParseInterval;
    return {Take::ShownForParse, settle};
}

std::optional<ReplyPath::Parsed> ReplyPath::Parse() {
    parseAt_.reset();
    const int code = mode_;
    auto result = ParseReply(code, text_);
    if (!result) return std::nullopt;
    for (const auto& a : result->assignments)
        if (a.kind == Assignment::Kind::ReplyMode) mode_ = a.value;
    return Parsed{code, std::move(*result), text_};
}

}  // namespace protocol

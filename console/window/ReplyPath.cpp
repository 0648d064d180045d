#include "console/window/ReplyPath.h"

namespace console {

namespace reply = protocol::reply;

void ReplyPath::Sending(std::optional<int> code) {
    if (code) {
        parseAt_.reset();
        mode_ = *code;
    }
}

void ReplyPath::SequenceRunning(bool on) {
    if (!on && sequence_) mode_ = protocol::Code(protocol::ReplyCode::None);
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
    if (sequence_) return std::nullopt;
    const int code = mode_;
    auto result = protocol::ParseReply(code, text_);
    if (!result) return std::nullopt;
    for (const auto& a : result->assignments)
        if (a.kind == protocol::Assignment::Kind::ReplyMode) mode_ = a.value;
    return Parsed{code, std::move(*result), text_};
}

}  // namespace console

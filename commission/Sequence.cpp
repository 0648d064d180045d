#include "commission/Sequence.h"

namespace commission {

using Kind = Sequence::Action::Kind;

Sequence::Sequence(std::string verb, std::vector<Step> steps, Pace pace, std::chrono::milliseconds timeout)
    : verb_(std::move(verb)), steps_(std::move(steps)), pace_(pace), timeout_(timeout) {}

Sequence::Action Sequence::Start() {
    if (state_ != State::Ready) return {};
    if (steps_.empty()) {
        state_ = State::Completed;
        return {Kind::Finish};
    }
    state_ = State::Waiting;
    return {Kind::Send};
}

Sequence::Action Sequence::Sent(bool handedToPort) {
    if (state_ != State::Waiting || handedToPort) return {};
    state_ = State::NotSent;
    return {Kind::Finish};
}

Sequence::Action Sequence::BlockReceived() {
    if (state_ != State::Waiting || pace_ != Pace::BlockReceived) return {};
    return Advance();
}

Sequence::Action Sequence::ReplyParsed(std::string_view text) {
    if (state_ != State::Waiting || pace_ != Pace::ReplyParsed) return {};
    const auto& tag = CurrentStep().answerTag;
    if (!tag.empty() && text.find(tag) == std::string_view::npos) return {};
    return Advance();
}

Sequence::Action Sequence::TimeOut() {
    if (state_ != State::Waiting) return {};
    unanswered_.push_back(CurrentStep().label);
    return Advance();
}

Sequence::Action Sequence::PortLost() {
    if (!Running()) return {};
    state_ = State::PortLost;
    return {Kind::Finish};
}

Sequence::Action Sequence::Cancel() {
    if (!Running()) return {};
    state_ = State::Cancelled;
    return {Kind::Finish};
}

Sequence::Action Sequence::Advance() {
    if (++current_ < steps_.size()) return {Kind::Send};
    current_ = steps_.size() - 1;
    state_ = State::Completed;
    return {Kind::Finish};
}

std::string Sequence::Progress() const {
    if (steps_.empty()) return verb_;
    return verb_ + " " + std::to_string(current_ + 1) + " of " + std::to_string(steps_.size()) +
           " \xC2\xB7 " + CurrentStep().label;
}

std::string Sequence::Summary(const std::string& title) const {
    const std::string count = std::to_string(steps_.size());
    const std::string at = steps_.empty() ? std::string()
                                          : " at step " + std::to_string(current_ + 1) + " of " + count +
                                                " (" + CurrentStep().label + ")";
    switch (state_) {
        case State::Cancelled: return title + ": cancelled" + at + ".";
        case State::PortLost: return title + ": stopped" + at + ": the port was closed.";
        case State::NotSent: return title + ": stopped" + at + ": the port does not take data.";
        default: break;
    }
    if (unanswered_.empty()) return title + ": " + count + " of " + count + " steps answered.";
    std::string names;
    for (const auto& label : unanswered_) names += (names.empty() ? "" : ", ") + label;
    const auto missing = unanswered_.size();
    return title + ": " + std::to_string(missing) + (missing == 1 ? " step" : " steps") +
           " got no answer: " + names + ".";
}

}  // namespace commission

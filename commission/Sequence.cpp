#include "commission/Sequence.h"

#include "commission/Echo.h"
#include "protocol/ReplyPath.h"

#include <algorithm>

namespace commission {

namespace {

using Kind = Sequence::Action::Kind;

// An answer longer than any reply record set is kept no further.
constexpr std::size_t MaxAnswer = 64 * 1024;

bool CountsAsSilent(StepResult r) { return r == StepResult::Unanswered || r == StepResult::Unreadable; }

// The converter's word for a command it does not take.
bool Refusal(std::string_view answer) { return answer.find("ERR") != std::string_view::npos; }
// The word most converters end an acknowledgment with ("OK", "ADR:001 OK").
bool Acceptance(std::string_view answer) { return answer.find("OK") != std::string_view::npos; }

}  // namespace

Sequence::Sequence(std::string verb, std::vector<Step> steps, std::chrono::milliseconds timeout)
    : verb_(std::move(verb)), steps_(std::move(steps)), timeout_(timeout), results_(steps_.size()) {}

Sequence::Action Sequence::Start() {
    if (state_ != State::Ready) return {};
    if (steps_.empty()) {
        state_ = State::Completed;
        return {Kind::Finish};
    }
    state_ = State::Waiting;
    return {Kind::Send};
}

Sequence::Action Sequence::Sent(bool handedToPort, TimePoint now, std::string why) {
    if (state_ != State::Waiting) return {};
    if (!handedToPort) {
        state_ = State::NotSent;
        notSentWhy_ = why.empty() ? "the port does not take data" : std::move(why);
        deadline_.reset();
        quietAt_.reset();
        return {Kind::Finish};
    }
    deadline_ = now + timeout_;
    return {};
}

Sequence::Action Sequence::BlockReceived(std::string_view block, TimePoint lastByte) {
    if (state_ != State::Waiting || !deadline_) return {};
    answer_.append(block.substr(0, MaxAnswer - std::min(MaxAnswer, answer_.size())));
    if (Whole())
        quietAt_ = lastByte + QuietInterval;
    else
        quietAt_.reset();
    return {};
}

Sequence::Action Sequence::Tick(TimePoint now) {
    if (state_ != State::Waiting || !deadline_) return {};
    if ((quietAt_ && now >= *quietAt_) || now >= *deadline_) return EndStep(Judge());
    return {};
}

std::optional<TimePoint> Sequence::WakeAt() const {
    if (state_ != State::Waiting || !deadline_) return std::nullopt;
    return quietAt_ ? std::min(*quietAt_, *deadline_) : *deadline_;
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

bool Sequence::Whole() const {
    const Step& step = CurrentStep();
    const auto answer = AfterEcho(answer_, step.command);
    // A set command: any answer acknowledges it or refuses it (Judge), but
    // only a verdict word closes it early. An answer in other words waits for
    // the time-out, so a converter that sends its value, stores it and only
    // then says " OK" is never talked over.
    if (step.fields.empty()) return Acceptance(answer) || Refusal(answer);
    if (Refusal(answer)) return true;
    if (answer.find(step.answerTag) == std::string_view::npos || !step.code) return false;
    const auto parse = protocol::ParseReply(*step.code, answer);
    if (!parse) return false;
    Configuration carried;
    if (Apply(carried, *parse)) return true;  // a field that does not convert: more will not mend it
    return std::all_of(step.fields.begin(), step.fields.end(), [&](const auto& c) { return carried.Has(c); });
}

StepResult Sequence::Judge() {
    const Step& step = CurrentStep();
    const auto answer = AfterEcho(answer_, step.command);
    if (step.fields.empty()) {
        if (answer.empty()) return StepResult::Unanswered;
        return Refusal(answer) ? StepResult::Refused : StepResult::Answered;
    }
    const bool tagged = answer.find(step.answerTag) != std::string_view::npos;
    const auto parse = tagged && step.code ? protocol::ParseReply(*step.code, answer) : std::nullopt;
    Configuration carried;
    if (parse) {
        if (auto failed = Apply(carried, *parse)) {
            faults_.push_back(step.label + ": the answer holds '" + *failed + "', not a valid integer value");
            return StepResult::Unreadable;
        }
    }
    const bool whole = parse && std::all_of(step.fields.begin(), step.fields.end(),
                                            [&](const auto& c) { return carried.Has(c); });
    if (!whole) return Refusal(answer) ? StepResult::Refused : StepResult::Unanswered;
    for (const auto& control : step.fields) answers_.values[control] = carried.At(control);
    return StepResult::Answered;
}

Sequence::Action Sequence::EndStep(StepResult result) {
    results_.at(current_) = result;
    silentInARow_ = CountsAsSilent(result) ? silentInARow_ + 1 : 0;
    answer_.clear();
    quietAt_.reset();
    deadline_.reset();
    if (silentInARow_ >= GiveUpAfter) {
        state_ = State::GaveUp;
        return {Kind::Finish};
    }
    if (++current_ < steps_.size()) return {Kind::Send};
    current_ = steps_.size() - 1;
    state_ = State::Completed;
    return {Kind::Finish};
}

std::vector<std::string> Sequence::Labels(StepResult result) const {
    std::vector<std::string> labels;
    for (std::size_t i = 0; i < steps_.size(); ++i)
        if (results_[i] == result) labels.push_back(steps_[i].label);
    return labels;
}

std::string Sequence::Progress() const {
    if (steps_.empty()) return verb_;
    return verb_ + " " + std::to_string(current_ + 1) + " of " + std::to_string(steps_.size()) +
           " \xC2\xB7 " + CurrentStep().label;
}

}  // namespace commission

#include "commission/Sequence.h"

#include "commission/Echo.h"
#include "protocol/ParseReply.h"

#include <algorithm>

namespace commission {

namespace {

using Kind = Sequence::Action::Kind;

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
    AppendAnswer(answer_, block);
    assessment_ = Assess();
    if (assessment_.whole)
        quietAt_ = lastByte + QuietInterval;
    else
        quietAt_.reset();
    return {};
}

Sequence::Action Sequence::Tick(TimePoint now) {
    if (state_ != State::Waiting || !deadline_) return {};
    if ((quietAt_ && now >= *quietAt_) || now >= *deadline_) return EndStep(Conclude());
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

Sequence::Assessment Sequence::Assess() const {
    const Step& step = CurrentStep();
    const auto answer = AfterEcho(answer_, step.command);
    const bool refused = Refusal(answer);
    Assessment a;
    // A set command: any answer acknowledges it or refuses it, but only a
    // verdict word closes it early. An answer in other words waits for the
    // time-out, so a converter that sends its value, stores it and only then
    // says " OK" is never talked over.
    if (step.fields.empty()) {
        a.whole = Acceptance(answer) || refused;
        a.result = answer.empty() ? StepResult::Unanswered : refused ? StepResult::Refused : StepResult::Answered;
        return a;
    }
    // A query: a refusal closes it; else its tagged answer once every field is
    // carried, or once a field does not convert (more will not mend it).
    a.whole = refused;
    a.result = refused ? StepResult::Refused : StepResult::Unanswered;
    if (answer.find(step.answerTag) == std::string_view::npos || !step.code) {
        // A set with fields that the converter acknowledges without its record.
        if (step.set && !refused && Acceptance(answer)) {
            a.whole = true;
            a.result = StepResult::Answered;
        }
        return a;
    }
    const auto parse = protocol::ParseReply(*step.code, answer);
    if (!parse) return a;
    if (auto failed = Apply(a.carried, *parse)) {
        a.whole = true;
        a.result = StepResult::Unreadable;
        a.unconverted = std::move(failed);
        return a;
    }
    if (std::all_of(step.fields.begin(), step.fields.end(), [&](const auto& c) { return a.carried.Has(c); })) {
        a.whole = true;
        a.result = StepResult::Answered;
    }
    return a;
}

StepResult Sequence::Conclude() {
    const Step& step = CurrentStep();
    if (assessment_.unconverted)
        faults_.push_back(step.label + ": the answer holds '" + *assessment_.unconverted +
                          "', not a valid integer value");
    if (assessment_.result == StepResult::Answered)
        for (const auto& control : step.fields)
            if (assessment_.carried.Has(control)) answers_.values[control] = assessment_.carried.At(control);
    return assessment_.result;
}

Sequence::Action Sequence::EndStep(StepResult result) {
    results_.at(current_) = result;
    silentInARow_ = CountsAsSilent(result) ? silentInARow_ + 1 : 0;
    answer_.clear();
    assessment_ = {};
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

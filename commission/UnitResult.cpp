#include "commission/UnitResult.h"

#include <algorithm>

#include "commission/Verify.h"

namespace commission {

SequenceOutcome OutcomeOf(const Sequence& sequence, Purpose purpose, const std::string& link,
                          const Configuration& expected) {
    auto unanswered = sequence.Labels(StepResult::Unanswered);
    for (auto& label : sequence.Labels(StepResult::NotReached)) unanswered.push_back(std::move(label));
    auto faults = sequence.Faults();
    for (const auto& label : sequence.Labels(StepResult::Refused)) faults.push_back(label + ": refused by the converter");
    std::map<std::string, StepResult> steps;
    for (std::size_t i = 0; i < sequence.StepCount(); ++i) steps[sequence.Steps()[i].label] = sequence.Result(i);
    // A sequence stopped while a step waited for its answer: that command went out.
    using State = Sequence::State;
    if ((sequence.state() == State::PortLost || sequence.state() == State::Cancelled) && sequence.StepCount() &&
        sequence.Result(sequence.CurrentIndex()) == StepResult::NotReached)
        steps[sequence.CurrentStep().label] = StepResult::Unanswered;
    const std::string text = Judge(purpose, sequence, link, expected, "profile").text;
    return {.ran = true,
            .state = sequence.state(),
            .unanswered = std::move(unanswered),
            .faults = std::move(faults),
            .summary = text.substr(0, text.find('\n')),
            .account = text,
            .steps = std::move(steps),
            .answers = sequence.Answers()};
}

const char* SentText(FieldCheck::Sent sent) {
    switch (sent) {
        case FieldCheck::Sent::NotSent: return "not sent";
        case FieldCheck::Sent::NoAnswer: return "sent, no answer";
        case FieldCheck::Sent::Refused: return "refused";
        case FieldCheck::Sent::Acknowledged: return "acknowledged";
    }
    return "";
}

const char* CheckText(FieldCheck::Check check) {
    switch (check) {
        case FieldCheck::Check::Matches: return "matches";
        case FieldCheck::Check::Differs: return "differs";
        case FieldCheck::Check::NotChecked: return "not checked";
        case FieldCheck::Check::NotReadable: return "not readable";
    }
    return "";
}

std::string StatusText(const FieldCheck& check) {
    using Sent = FieldCheck::Sent;
    using Check = FieldCheck::Check;
    if (check.check == Check::NotReadable)
        return check.sent == Sent::Acknowledged ? "written, not readable" : SentText(check.sent);
    if (check.check == Check::Matches || check.check == Check::Differs)
        return std::string(SentText(check.sent)) + ", " + CheckText(check.check);
    return std::string(SentText(check.sent)) + ", not checked";
}

namespace {

FieldCheck::Sent SentBy(const SequenceOutcome& write, const std::string& parameter) {
    const auto step = write.steps.find(parameter);
    if (!write.ran || step == write.steps.end()) return FieldCheck::Sent::NotSent;
    switch (step->second) {
        case StepResult::NotReached: return FieldCheck::Sent::NotSent;
        case StepResult::Answered: return FieldCheck::Sent::Acknowledged;
        case StepResult::Refused: return FieldCheck::Sent::Refused;
        case StepResult::Unanswered:
        case StepResult::Unreadable: return FieldCheck::Sent::NoAnswer;
    }
    return FieldCheck::Sent::NotSent;
}

}  // namespace

UnitResult JudgeUnit(const Configuration& expected, const SequenceOutcome& write,
                     const std::optional<SequenceOutcome>& verify) {
    UnitResult result;
    const Configuration reported = verify ? verify->answers : Configuration{};
    const auto differences = Compare(expected, reported);
    const std::string noAnswer = !write.Whole() ? "write all did not complete"
                                 : !verify       ? "verify did not run"
                                                 : "the converter did not report it";
    std::size_t notChecked = 0;
    for (const auto& field : Fields()) {
        FieldCheck check;
        check.control = field.control;
        if (expected.Has(field.control)) check.value = expected.At(field.control);
        check.sent = SentBy(write, field.parameter);
        if (!field.readBack) {
            check.check = FieldCheck::Check::NotReadable;
            check.note = "the converter has no query for it";
        } else if (reported.Has(field.control)) {
            check.read = reported.At(field.control);
            const bool differs = std::any_of(differences.begin(), differences.end(),
                                             [&](const Difference& d) { return d.control == field.control; });
            check.check = differs ? FieldCheck::Check::Differs : FieldCheck::Check::Matches;
        } else {
            check.check = FieldCheck::Check::NotChecked;
            check.note = noAnswer;
            ++notChecked;
        }
        result.fields.push_back(std::move(check));
    }
    for (const auto& d : differences) result.differences.push_back(DescribeDifference(d, "written"));

    auto firstFault = [](const SequenceOutcome& s) {
        return s.faults.empty() ? s.summary : s.summary + " " + s.faults.front();
    };
    if (!write.Whole())
        result.failure = write.ran ? firstFault(write) : "Write all: not started.";
    else if (!verify || !verify->Whole())
        result.failure = verify ? firstFault(*verify) : "Verify: not started.";
    else if (!differences.empty())
        result.failure = std::to_string(differences.size()) +
                         (differences.size() == 1 ? " field differs" : " fields differ");
    else if (notChecked)
        result.failure = std::to_string(notChecked) + " fields were not checked";
    result.pass = result.failure.empty();
    return result;
}

}  // namespace commission

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
    const std::string text = Judge(purpose, sequence, link, expected, "profile").text;
    return {.ran = true,
            .state = sequence.state(),
            .unanswered = std::move(unanswered),
            .faults = std::move(faults),
            .summary = text.substr(0, text.find('\n'))};
}

const char* StatusText(FieldCheck::Status status) {
    switch (status) {
        case FieldCheck::Status::Match: return "match";
        case FieldCheck::Status::Differs: return "differs";
        case FieldCheck::Status::NotChecked: return "not checked";
        case FieldCheck::Status::NotReadable: return "written, not readable";
    }
    return "";
}

UnitResult JudgeUnit(const Configuration& expected, const SequenceOutcome& write,
                     const std::optional<SequenceOutcome>& verify, const Configuration& reported) {
    UnitResult result;
    const auto differences = Compare(expected, reported);
    const std::string noAnswer = !write.Whole() ? "write all did not complete"
                                 : !verify       ? "verify did not run"
                                                 : "the converter did not report it";
    std::size_t notChecked = 0;
    for (const auto& field : Fields()) {
        FieldCheck check;
        check.control = field.control;
        if (expected.Has(field.control)) check.written = expected.At(field.control);
        if (!field.readBack) {
            check.status = FieldCheck::Status::NotReadable;
            check.note = "the converter has no query for it";
        } else if (reported.Has(field.control)) {
            check.read = reported.At(field.control);
            const bool differs = std::any_of(differences.begin(), differences.end(),
                                             [&](const Difference& d) { return d.control == field.control; });
            check.status = differs ? FieldCheck::Status::Differs : FieldCheck::Status::Match;
        } else {
            check.status = FieldCheck::Status::NotChecked;
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

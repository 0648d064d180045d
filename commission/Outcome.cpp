#include "commission/Outcome.h"

#include "protocol/ControlNames.h"
#include "protocol/FieldNames.h"

namespace commission {
namespace {

std::string List(const std::vector<std::string>& labels) {
    std::string text;
    for (const auto& label : labels) text += (text.empty() ? "" : ", ") + label;
    return text;
}

const char* Title(Purpose p) { return p == Purpose::Read ? "Read all" : p == Purpose::Write ? "Write all" : "Verify"; }
const char* Failed(Purpose p) { return p == Purpose::Read ? "Not read" : p == Purpose::Write ? "Not written" : "Not verified"; }

std::string StepAt(const Sequence& s) {
    return "step " + std::to_string(s.CurrentIndex() + 1) + " of " + std::to_string(s.StepCount()) + " (" +
           s.CurrentStep().label + ")";
}

// Why the sequence fell short, or nothing when every step answered.
std::string Shortfall(const Sequence& s) {
    using State = Sequence::State;
    switch (s.state()) {
        case State::Cancelled: return "cancelled at " + StepAt(s);
        case State::PortLost: return "stopped at " + StepAt(s) + ": the port was closed";
        case State::NotSent: return StepAt(s) + " could not be sent: " + s.NotSentReason();
        case State::Ready:
        case State::Waiting: return "still running";
        default: break;
    }
    std::vector<std::string> parts;
    const auto silent = s.Labels(StepResult::Unanswered);
    if (!silent.empty())
        parts.push_back(std::to_string(silent.size()) + " of " + std::to_string(s.StepCount()) +
                        (s.StepCount() == 1 ? " step" : " steps") + " got no answer: " + List(silent));
    if (const auto unreadable = s.Labels(StepResult::Unreadable); !unreadable.empty())
        parts.push_back("answers that cannot be read: " + List(unreadable));
    if (const auto refused = s.Labels(StepResult::Refused); !refused.empty())
        parts.push_back("refused by the converter: " + List(refused));
    std::string text;
    for (const auto& p : parts) text += (text.empty() ? "" : "; ") + p;
    return text;
}

bool HasBoardIdentity(const Sequence& s) {
    for (const auto& step : s.Steps())
        if (step.label == "PCBSN") return true;
    return false;
}

}  // namespace

Outcome Judge(Purpose purpose, const Sequence& s, const std::string& link, const Configuration& expected,
              const std::string& source, const ItemNamer& items) {
    Outcome o;
    const std::string title = Title(purpose);
    const std::string shortfall = Shortfall(s);
    std::vector<std::string> lines;
    if (!shortfall.empty()) lines.push_back(std::string(Failed(purpose)) + ": " + shortfall + ".");
    if (s.state() == Sequence::State::GaveUp)
        lines.push_back("No answer from " + link + " to " + std::to_string(GiveUpAfter) +
                        " steps in a row, so the rest was not tried. Check the cable, that the port's baud rate, "
                        "parity and stop bits match the converter's, and the converter's address.");
    std::vector<std::string> missed;  // steps without a whole answer
    for (std::size_t i = 0; i < s.StepCount(); ++i)
        if (s.Result(i) != StepResult::Answered) missed.push_back(s.Steps()[i].label);
    // Read all names every section it did not read, below.
    auto notReached = s.Labels(StepResult::NotReached);
    // A step stopped while it waited for its answer went out: it was sent.
    const bool stoppedWaiting = s.state() == Sequence::State::PortLost || s.state() == Sequence::State::Cancelled;
    if (purpose == Purpose::Write && stoppedWaiting && !notReached.empty() && notReached.front() == s.CurrentStep().label)
        notReached.erase(notReached.begin());
    if (!notReached.empty() && purpose != Purpose::Read)
        lines.push_back((purpose == Purpose::Write ? "Not sent: " : "Not checked: ") + List(notReached) + ".");
    for (const auto& fault : s.Faults()) lines.push_back(fault);

    const std::string count = std::to_string(s.StepCount());
    switch (purpose) {
        case Purpose::Read:
            o.staleSteps = missed;
            if (!missed.empty())
                lines.push_back(std::to_string(missed.size()) + (missed.size() == 1 ? " section was" : " sections were") +
                                " not read and still show earlier values: " + List(missed) + ".");
            o.verdict = shortfall.empty() ? Outcome::Verdict::Success : Outcome::Verdict::Failed;
            if (o.verdict == Outcome::Verdict::Success) lines.insert(lines.begin(), title + ": read " + count + " of " + count + " steps.");
            break;
        case Purpose::Write:
            o.verdict = shortfall.empty() ? Outcome::Verdict::Success : Outcome::Verdict::Failed;
            if (o.verdict == Outcome::Verdict::Success)
                // Each set was acknowledged and none refused; only reading back proves the values.
                lines.insert(lines.begin(), title + ": written, " + count + " of " + count +
                                                " set commands acknowledged; Verify shows what the converter holds.");
            if (HasBoardIdentity(s) && s.Labels(StepResult::Answered).size() > 0) {
                for (std::size_t i = 0; i < s.StepCount(); ++i)
                    if (s.Steps()[i].label == "PCBSN" && s.Result(i) == StepResult::Answered)
                        lines.push_back(protocol::FieldDisplayName(protocol::control::SerialNumber) + ", " +
                                        protocol::FieldDisplayName(protocol::control::Inspector) + ": written, cannot be read back.");
            }
            break;
        case Purpose::Verify: {
            o.differences = Compare(expected, s.Answers());
            const auto notChecked = NotChecked(s.Answers());
            const bool whole = shortfall.empty() && notChecked.empty();
            if (!o.differences.empty() || whole)
                lines.push_back(DescribeDifferences(o.differences, source, items));
            if (shortfall.empty() && !notChecked.empty()) {
                std::vector<std::string> names;
                for (const auto& c : notChecked) names.push_back(protocol::FieldDisplayName(c));
                lines.push_back("Not verified: not checked: " + List(names) + ".");
            }
            lines.push_back(protocol::FieldDisplayName(protocol::control::SerialNumber) + ", " + protocol::FieldDisplayName(protocol::control::Inspector) +
                            ": cannot be read back, not verified.");
            o.verdict = !whole ? Outcome::Verdict::Failed
                               : o.differences.empty() ? Outcome::Verdict::Success : Outcome::Verdict::Differs;
            break;
        }
    }
    switch (o.verdict) {
        case Outcome::Verdict::Success:
            o.status = title + (purpose == Purpose::Read ? ": read" : purpose == Purpose::Write ? ": written" : ": no differences");
            break;
        case Outcome::Verdict::Differs:
            o.status = title + ": " + std::to_string(o.differences.size()) +
                       (o.differences.size() == 1 ? " difference" : " differences");
            break;
        case Outcome::Verdict::Failed: {
            std::string word = Failed(purpose);
            word[0] = static_cast<char>(word[0] - 'A' + 'a');
            o.status = title + ": " + word;
            if (!o.differences.empty()) o.status += " (" + std::to_string(o.differences.size()) + " differences)";
            break;
        }
    }
    for (const auto& line : lines) o.text += (o.text.empty() ? "" : "\n") + line;
    return o;
}

}  // namespace commission

#pragma once
// Whether one commissioned unit passes, and what happened to each of its
// settings: judged only from the sequences as they ended and from the
// comparison of every field the converter reports. Nothing is said of a
// setting that its sequence did not earn.

#include <map>
#include <optional>
#include <string>
#include <vector>

#include "commission/Configuration.h"
#include "commission/Outcome.h"
#include "commission/Sequence.h"

namespace commission {

// A sequence's end as its driver saw it.
struct SequenceOutcome {
    bool ran = false;
    Sequence::State state = Sequence::State::Ready;
    std::vector<std::string> unanswered;  // labels of steps that got no answer or were not reached
    std::vector<std::string> faults;      // answers that could not be read or were refused
    std::string summary;                  // the first line of the sequence's account
    std::string account;                  // the whole account, the give-up message included
    std::map<std::string, StepResult> steps;  // each step's result, by label
    Configuration answers;                    // what the whole answers carried

    // Every step answered and every answer read.
    bool Whole() const {
        return ran && state == Sequence::State::Completed && unanswered.empty() && faults.empty();
    }
};

// `link`: the port and its line settings, named when the converter is given up;
// `expected`: what verify compares with.
SequenceOutcome OutcomeOf(const Sequence& sequence, Purpose purpose, const std::string& link,
                          const Configuration& expected);

// One setting of the unit: what its set command earned, then what verify found.
struct FieldCheck {
    enum class Sent { NotSent, NoAnswer, Refused, Acknowledged };
    enum class Check { Matches, Differs, NotChecked, NotReadable };
    std::string control;
    Value value;  // what the profile with the unit's identity asks for
    Sent sent = Sent::NotSent;
    std::optional<Value> read;
    Check check = Check::NotChecked;
    std::string note;  // why it was not checked
};

struct UnitResult {
    bool pass = false;
    std::string failure;                   // the first reason for FAIL, empty for PASS
    std::vector<FieldCheck> fields;        // every field, in write order
    std::vector<std::string> differences;  // one line per field that differs
};

// PASS needs write all and verify both whole and every reported field present
// and equal. `verify` is nothing when it did not run.
UnitResult JudgeUnit(const Configuration& expected, const SequenceOutcome& write,
                     const std::optional<SequenceOutcome>& verify);

// "not sent", "sent, no answer", "refused", "acknowledged"
const char* SentText(FieldCheck::Sent sent);
// "matches", "differs", "not checked", "not readable"
const char* CheckText(FieldCheck::Check check);
// The setting's status in one phrase: "acknowledged, matches", "written, not
// readable" (only for an acknowledged board identity), "sent, no answer".
std::string StatusText(const FieldCheck& check);

}  // namespace commission

#pragma once
// Whether one commissioned unit passes: judged only from the sequences'
// outcomes as the library reports them and from the comparison of every
// field the converter reports.

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

    // Every step answered and every answer read.
    bool Whole() const {
        return ran && state == Sequence::State::Completed && unanswered.empty() && faults.empty();
    }
};

// `link`: the port and its line settings, named when the converter is given up;
// `expected`: what verify compares with.
SequenceOutcome OutcomeOf(const Sequence& sequence, Purpose purpose, const std::string& link,
                          const Configuration& expected);

// One field of the record: what was written and what came back.
struct FieldCheck {
    enum class Status { Match, Differs, NotChecked, NotReadable };
    std::string control;
    Value written;
    std::optional<Value> read;
    Status status = Status::NotChecked;
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
                     const std::optional<SequenceOutcome>& verify, const Configuration& reported);

const char* StatusText(FieldCheck::Status status);

}  // namespace commission

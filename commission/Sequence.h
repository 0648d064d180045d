#pragma once
// A sequence of commands sent one at a time, as a state machine: its driver
// (the window's event loop, the command-line program's poll loop, a test)
// feeds it what happened, with the time it happened, and does what it
// answers. It never waits itself and reads no clock.
//
// A step is over only when its answer is whole and the line then stayed
// quiet for the block-closing interval, or when its time-out ran out. Only
// then does the next command go out: never over an answer.
//
// What came since the command is judged without an echo of the command at
// its start (a 2-wire RS485 adapter hears its own transmission). A query's
// answer is whole when its tag is seen and every field the step owns is
// carried. Any answer to a set command acknowledges it, as converters do in
// their own words ("OK", "OK\r\n", "ADR:001 OK"); one holding "ERR" refuses
// it. An answer holding "OK" or "ERR" is whole; one in other words is taken
// when the time-out runs out, as more may still come. The acknowledgment
// proves the command was taken, not what was stored: only reading back shows
// that.

#include <chrono>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "commission/Commands.h"
#include "commission/Configuration.h"

namespace commission {

using SequenceClock = std::chrono::steady_clock;
using TimePoint = SequenceClock::time_point;

// How long the line stays quiet after an answer before the next command.
inline constexpr std::chrono::milliseconds QuietInterval{100};
// Steps in a row that get no answer before the sequence gives up.
inline constexpr int GiveUpAfter = 2;

enum class StepResult {
    NotReached,  // never sent (the sequence ended before it)
    Answered,    // a set acknowledged; a query's answer whole and parsed
    Unanswered,  // nothing (beyond the echo) or nothing whole before the time-out
    Unreadable,  // its tag came, but a field of the answer does not convert
    Refused,     // the answer holds "ERR": the converter does not take the command
};

class Sequence {
public:
    enum class State { Ready, Waiting, Completed, Cancelled, PortLost, NotSent, GaveUp };

    // What the driver does next.
    struct Action {
        enum class Kind {
            Nothing,  // keep waiting; call Tick() at WakeAt()
            Send,     // send CurrentStep(), then report Sent()
            Finish,   // the sequence has ended (see state())
        } kind = Kind::Nothing;
        bool operator==(const Action&) const = default;
    };

    // verb: "Reading", "Writing", "Verifying" (for the progress text).
    Sequence(std::string verb, std::vector<Step> steps, std::chrono::milliseconds timeout = std::chrono::seconds(3));

    Action Start();
    // `why`: what kept the command from the port ("The command is too long to send").
    Action Sent(bool handedToPort, TimePoint now, std::string why = {});
    // Every block the port received since the step's command, whole, as it
    // came. `lastByte`: when its last byte arrived; a reader that closes a
    // block after QuietInterval of quiet hands it over that much later, so
    // the line has been quiet since lastByte.
    Action BlockReceived(std::string_view block, TimePoint lastByte);
    // Time has passed; due at WakeAt().
    Action Tick(TimePoint now);
    Action PortLost();
    Action Cancel();

    // When the driver must call Tick() next; nothing while no step waits.
    std::optional<TimePoint> WakeAt() const;

    State state() const { return state_; }
    bool Running() const { return state_ == State::Ready || state_ == State::Waiting; }
    const Step& CurrentStep() const { return steps_.at(current_); }
    std::size_t CurrentIndex() const { return current_; }
    const std::vector<Step>& Steps() const { return steps_; }
    std::size_t StepCount() const { return steps_.size(); }
    std::chrono::milliseconds Timeout() const { return timeout_; }
    StepResult Result(std::size_t step) const { return results_.at(step); }
    // Labels of the steps with this result, in order.
    std::vector<std::string> Labels(StepResult result) const;
    // What the whole answers carried, by control.
    const Configuration& Answers() const { return answers_; }
    // "QX2: the answer holds '0x', not a valid integer value", one per unreadable answer.
    const std::vector<std::string>& Faults() const { return faults_; }
    // Why the current step could not be sent (state NotSent).
    const std::string& NotSentReason() const { return notSentWhy_; }

    // "Reading 7 of 17 · QX2"
    std::string Progress() const;

private:
    // What the answer so far says of the current step, read once per block.
    struct Assessment {
        bool whole = false;  // the step is over once the line stays quiet
        StepResult result = StepResult::Unanswered;  // its result, were it over now
        Configuration carried;                       // what a parsed answer carries
        std::optional<std::string> unconverted;      // a field that does not convert
    };
    Assessment Assess() const;
    // Ends the step on its last assessment: keeps what it carried, or its fault.
    StepResult Conclude();
    Action EndStep(StepResult result);

    std::string verb_;
    std::vector<Step> steps_;
    std::chrono::milliseconds timeout_;
    State state_ = State::Ready;
    std::size_t current_ = 0;
    std::vector<StepResult> results_;
    int silentInARow_ = 0;
    std::string answer_;  // every block since the step's command, up to MaxAnswer
    Assessment assessment_;  // of answer_
    std::optional<TimePoint> deadline_;
    std::optional<TimePoint> quietAt_;  // the answer is whole; the step is over then unless more comes
    Configuration answers_;
    std::vector<std::string> faults_;
    std::string notSentWhy_;
};

}  // namespace commission

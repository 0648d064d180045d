#pragma once
// A sequence of commands sent one at a time, as a state machine: its driver
// (the window's event loop, the command-line program's poll loop, a test)
// feeds it what happened and does what it answers. It never waits itself.

#include <chrono>
#include <string>
#include <string_view>
#include <vector>

#include "commission/Commands.h"

namespace commission {

// What moves a sequence to its next step besides the time-out.
enum class Pace {
    ReplyParsed,    // the answer was parsed (queries)
    BlockReceived,  // any block arrived, even one the reply code drops (set commands)
};

class Sequence {
public:
    enum class State { Ready, Waiting, Completed, Cancelled, PortLost, NotSent };

    // What the driver does next.
    struct Action {
        enum class Kind {
            Nothing,  // keep waiting
            Send,     // send Step(), then report Sent(); arm the time-out
            Finish,   // stop the time-out; the sequence has ended (see state())
        } kind = Kind::Nothing;
        bool operator==(const Action&) const = default;
    };

    // verb: "Reading", "Writing", "Verifying" (for the progress text).
    Sequence(std::string verb, std::vector<Step> steps, Pace pace,
             std::chrono::milliseconds timeout = std::chrono::seconds(3));

    Action Start();
    Action Sent(bool handedToPort);
    Action BlockReceived();
    // `text`: what the parser read; it must hold the step's answer tag.
    Action ReplyParsed(std::string_view text);
    Action TimeOut();
    Action PortLost();
    Action Cancel();

    State state() const { return state_; }
    bool Running() const { return state_ == State::Ready || state_ == State::Waiting; }
    const Step& CurrentStep() const { return steps_.at(current_); }
    std::size_t CurrentIndex() const { return current_; }
    std::size_t StepCount() const { return steps_.size(); }
    std::chrono::milliseconds Timeout() const { return timeout_; }
    // Labels of the steps that timed out, in order.
    const std::vector<std::string>& Unanswered() const { return unanswered_; }

    // "Reading 7 of 17 · QX2"
    std::string Progress() const;
    // One line for the end: "Read all: 17 of 17 steps answered." or
    // "... 2 steps got no answer: QX2, COMR03." or "... cancelled at step 4 of 17 (QX4)."
    std::string Summary(const std::string& title) const;

private:
    Action Advance();

    std::string verb_;
    std::vector<Step> steps_;
    Pace pace_;
    std::chrono::milliseconds timeout_;
    State state_ = State::Ready;
    std::size_t current_ = 0;
    std::vector<std::string> unanswered_;
};

}  // namespace commission

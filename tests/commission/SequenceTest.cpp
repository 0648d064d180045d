// The sequences driven event by event on a made-up clock, with no port and no timer.

#include <gtest/gtest.h>

#include "commission/Sequence.h"
#include "protocol/ReplyCodes.h"

namespace {

using namespace commission;
using namespace std::chrono_literals;
using Kind = Sequence::Action::Kind;
using State = Sequence::State;
using R = StepResult;

const std::string Qx1Answer =
    "ADR:001,MDO:0,JTM:010,STM:010,00,BADR:00000,00000,MR485Z:3,0,0,MR485A:3,0,0,MR485B:3,0,0";

Step Qx1() { return ReadAllSteps().front(); }
Step Adr() { return {.label = "ADR", .command = "HQLNVE#ADR:001#", .code = 100, .answerTag = "ADR"}; }

struct Block {
    int at;  // ms after the start
    std::string text;
};

struct Run {
    std::vector<int> sends;  // ms at which each command went out
    State state;
    std::vector<R> results;
};

// Plays the blocks against the sequence as a driver would: every block at
// its time, a tick whenever the sequence asks for one.
Run Play(std::vector<Step> steps, std::vector<Block> blocks) {
    const TimePoint t0{};
    Sequence s("Reading", std::move(steps), 3s);
    Run run;
    auto act = [&](Sequence::Action a, TimePoint now) {
        while (a.kind == Kind::Send) {
            run.sends.push_back(static_cast<int>((now - t0) / 1ms));
            a = s.Sent(true, now);
        }
    };
    act(s.Start(), t0);
    std::size_t next = 0;
    while (s.Running()) {
        const auto wake = s.WakeAt();
        if (next < blocks.size() && (!wake || t0 + blocks[next].at * 1ms < *wake)) {
            const auto now = t0 + blocks[next].at * 1ms;
            act(s.BlockReceived(blocks[next++].text, now), now);
        } else {
            act(s.Tick(*wake), *wake);
        }
    }
    run.state = s.state();
    for (std::size_t i = 0; i < s.StepCount(); ++i) run.results.push_back(s.Result(i));
    return run;
}

TEST(SequenceTest, AStepEndsOnlyWhenItsAnswerIsWholeAndTheLineQuiet) {
    const std::string half1 = Qx1Answer.substr(0, 40), half2 = Qx1Answer.substr(40);
    const struct {
        const char* name;
        std::vector<Step> steps;
        std::vector<Block> blocks;
        std::vector<int> sends;
        State state;
        std::vector<R> results;
    } cases[] = {
        {"whole answer, then 100 ms quiet", {Qx1(), Adr()}, {{100, Qx1Answer}, {300, "ADR:001 OK"}},
         {0, 200}, State::Completed, {R::Answered, R::Answered}},
        {"an answer in two pieces 250 ms apart", {Qx1(), Adr()}, {{100, half1}, {350, half2}, {600, "ADR:"}, {850, "001 OK"}},
         {0, 450}, State::Completed, {R::Answered, R::Answered}},
        {"more bytes after a whole answer push the next command back", {Adr(), Adr()},
         {{100, "ADR:001 OK"}, {150, "noise"}, {400, "ADR:001 OK"}},
         {0, 250}, State::Completed, {R::Answered, R::Answered}},
        {"silence: given up after two steps", {Qx1(), Qx1(), Qx1()}, {}, {0, 3000}, State::GaveUp,
         {R::Unanswered, R::Unanswered, R::NotReached}},
        {"garbage, then an answer: one silent step is no give-up", {Qx1(), Qx1()}, {{100, "\x01\xFFzz"}, {3100, Qx1Answer}},
         {0, 3000}, State::Completed, {R::Unanswered, R::Answered}},
        {"a cut answer times out unanswered", {Qx1(), Adr()}, {{100, half1}, {3100, "ADR ERR"}}, {0, 3000},
         State::Completed, {R::Unanswered, R::Refused}},
        {"a field that does not convert", {Qx1()}, {{100, "ADR:001,MDO:x,JTM:010"}}, {0}, State::Completed,
         {R::Unreadable}},
        {"a late answer to another query is no answer", {ReadAllSteps()[2]}, {{100, "ZDAD01:0,001,1,00,00010,000,0"}},
         {0}, State::Completed, {R::Unanswered}},
    };
    for (const auto& c : cases) {
        const auto run = Play(c.steps, c.blocks);
        EXPECT_EQ(run.sends, c.sends) << c.name;
        EXPECT_EQ(run.state, c.state) << c.name;
        EXPECT_EQ(run.results, c.results) << c.name;
    }
}

TEST(SequenceTest, WholeAnswersFillTheRecordAndUnreadableOnesAreNamed) {
    Sequence s("Reading", {Qx1(), Qx1()});
    const TimePoint t{};
    s.Start();
    s.Sent(true, t);
    s.BlockReceived(Qx1Answer, t + 10ms);
    EXPECT_EQ(s.Tick(t + 110ms).kind, Kind::Send);
    s.Sent(true, t + 110ms);
    s.BlockReceived("ADR:001,MDO:x", t + 120ms);
    EXPECT_EQ(s.Tick(t + 220ms).kind, Kind::Finish);
    EXPECT_EQ(s.Answers().Text("Edit1"), "001");
    EXPECT_EQ(s.Answers().values.size(), Qx1().fields.size());
    EXPECT_EQ(s.Faults(), std::vector<std::string>{"QX1: the answer holds 'x', not a valid integer value"});
}

TEST(SequenceTest, CancelPortLostAndUnsentStepsEndAtOnce) {
    const struct {
        Sequence::Action (Sequence::*event)();
        State state;
    } cases[] = {{&Sequence::Cancel, State::Cancelled}, {&Sequence::PortLost, State::PortLost}};
    for (const auto& c : cases) {
        Sequence s("Reading", {Adr(), Adr()});
        s.Start();
        EXPECT_EQ((s.*c.event)().kind, Kind::Finish);
        EXPECT_EQ(s.state(), c.state);
        EXPECT_EQ(s.Tick(TimePoint{} + 1h).kind, Kind::Nothing);
        EXPECT_FALSE(s.WakeAt());
    }
    Sequence s("Writing", {Adr(), Adr()});
    s.Start();
    EXPECT_EQ(s.Sent(false, TimePoint{}, "The command is too long to send").kind, Kind::Finish);
    EXPECT_EQ(s.state(), State::NotSent);
    EXPECT_EQ(s.NotSentReason(), "The command is too long to send");

    Sequence empty("Writing", {});
    EXPECT_EQ(empty.Start().kind, Kind::Finish);
}

}  // namespace

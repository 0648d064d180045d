// The sequences driven event by event on a made-up clock, with no port and no timer.

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>

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
Step Adr() { return {.label = "ADR", .command = "HQLNVE#ADR:001#", .code = protocol::ReplyCode::Shown, .answerTag = "ADR"}; }

struct Block {
    int at;  // ms after the start
    std::string text;
};

struct Run {
    std::vector<int> sends;  // ms at which each command went out
    int end = -1;            // ms at which the sequence ended
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
    TimePoint now = t0;
    while (s.Running()) {
        const auto wake = s.WakeAt();
        if (next < blocks.size() && (!wake || t0 + blocks[next].at * 1ms < *wake)) {
            now = t0 + blocks[next].at * 1ms;
            act(s.BlockReceived(blocks[next++].text, now), now);
        } else {
            now = *wake;
            act(s.Tick(now), now);
        }
    }
    run.end = static_cast<int>((now - t0) / 1ms);
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
        // A converter may send the value, store it, and only then say " OK".
        {"an acknowledgment in pieces 250 ms apart", {Adr(), Adr()}, {{100, "ADR:0"}, {350, "01 OK"}, {500, "OK"}},
         {0, 450}, State::Completed, {R::Answered, R::Answered}},
        {"unanswered, answered, unanswered: not two in a row", {Adr(), Adr(), Adr()}, {{3100, "OK"}},
         {0, 3000, 3200}, State::Completed, {R::Unanswered, R::Answered, R::Unanswered}},
    };
    for (const auto& c : cases) {
        const auto run = Play(c.steps, c.blocks);
        EXPECT_EQ(run.sends, c.sends) << c.name;
        EXPECT_EQ(run.state, c.state) << c.name;
        EXPECT_EQ(run.results, c.results) << c.name;
    }
}

// Converters acknowledge a set in their own words, and a 2-wire adapter
// hands the command back first: whole, in a block of its own, or in pieces.
TEST(SequenceTest, ASetIsAcknowledgedByAnyAnswerBeyondItsEcho) {
    const std::string echo = Adr().command;
    const struct {
        const char* answer;
        R result;
        bool early;  // over 100 ms after the answer, else at the time-out
    } forms[] = {
        {"OK", R::Answered, true}, {"OK\r\n", R::Answered, true}, {"ADR:001 OK", R::Answered, true},
        {"ERR", R::Refused, true}, {"", R::Unanswered, false}, {"ACK", R::Answered, false},
    };
    const struct {
        const char* name;
        std::function<std::vector<Block>(const std::string&)> blocks;
    } lines[] = {
        {"no echo",
         [](const std::string& a) { return a.empty() ? std::vector<Block>{} : std::vector<Block>{{50, a}}; }},
        {"echo, then the answer", [&](const std::string& a) {
             return a.empty() ? std::vector<Block>{{20, echo}} : std::vector<Block>{{20, echo}, {150, a}};
         }},
        {"echo and answer in one block", [&](const std::string& a) { return std::vector<Block>{{150, echo + a}}; }},
        // The first piece of the echo is no answer, however long the line then stays quiet.
        {"echo in pieces", [&](const std::string& a) {
             return std::vector<Block>{{10, echo.substr(0, 6)}, {130, echo.substr(6) + a}};
         }},
    };
    for (const auto& form : forms) {
        for (const auto& line : lines) {
            const auto blocks = line.blocks(form.answer);
            const auto run = Play({Adr()}, blocks);
            const std::string name = std::string(line.name) + ", answer \"" + form.answer + "\"";
            EXPECT_EQ(run.results, std::vector<R>{form.result}) << name;
            EXPECT_EQ(run.end, form.early ? blocks.back().at + 100 : 3000) << name;
        }
    }
}

TEST(SequenceTest, AnEchoBeforeAQueryOrAParsingRuleIsSetAside) {
    const auto plan = WriteAllSteps(DefaultConfiguration());
    const Step rule =
        *std::find_if(plan.steps.begin(), plan.steps.end(), [](const Step& s) { return s.label == "COMP01"; });
    const struct {
        const char* name;
        Step step;
        std::vector<Block> blocks;
        R result;
        int end;  // ms
    } cases[] = {
        {"a query behind its echo", Qx1(), {{20, Qx1().command}, {150, Qx1Answer}}, R::Answered, 250},
        {"a query's echo and answer in one block", Qx1(), {{150, Qx1().command + Qx1Answer}}, R::Answered, 250},
        // The echo of a parsing rule's set holds the record its answer carries.
        {"a parsing rule's echo alone", rule, {{20, rule.command}}, R::Unanswered, 3000},
        {"a parsing rule refused behind its echo", rule, {{20, rule.command + "COMP01 ERR"}}, R::Refused, 120},
        {"a parsing rule answered behind its echo", rule, {{20, rule.command}, {150, "COMP01:010300"}}, R::Answered,
         250},
        // Any set may be acknowledged by a verdict word alone; a query may not.
        {"a parsing rule acknowledged by a plain OK", rule, {{20, rule.command}, {150, "OK"}}, R::Answered, 250},
        {"a query answered by a plain OK", Qx1(), {{150, "OK"}}, R::Unanswered, 3000},
    };
    for (const auto& c : cases) {
        const auto run = Play({c.step}, c.blocks);
        EXPECT_EQ(run.results, std::vector<R>{c.result}) << c.name;
        EXPECT_EQ(run.end, c.end) << c.name;
    }
}

// Once an answer is whole, the step still ends only after the line's quiet interval.
TEST(SequenceTest, AWholeAnswerEndsItsStepOnlyAfterTheQuietInterval) {
    const struct {
        Step step;
        std::string answer;
    } cases[] = {{Adr(), "OK"}, {Qx1(), Qx1Answer}};
    for (const auto& c : cases) {
        Sequence s("Writing", {c.step, c.step});
        const TimePoint t{};
        s.Start();
        s.Sent(true, t);
        s.BlockReceived(c.answer, t + 50ms);
        EXPECT_EQ(s.WakeAt(), t + 50ms + QuietInterval) << c.step.label;
        EXPECT_EQ(s.Tick(t + 50ms + QuietInterval - 1ms).kind, Kind::Nothing) << c.step.label;
        EXPECT_EQ(s.Tick(t + 50ms + QuietInterval).kind, Kind::Send) << c.step.label;
        EXPECT_EQ(s.Result(0), R::Answered) << c.step.label;
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

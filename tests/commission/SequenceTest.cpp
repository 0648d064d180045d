// The sequences driven event by event, with no port and no timer.

#include <gtest/gtest.h>

#include "commission/Sequence.h"

namespace {

using namespace commission;
using Kind = Sequence::Action::Kind;
using State = Sequence::State;

std::vector<Step> Steps(int n) {
    std::vector<Step> steps;
    for (int i = 1; i <= n; ++i) steps.push_back({"S" + std::to_string(i), "cmd", 0, {}});
    return steps;
}

TEST(SequenceTest, EachStepWaitsForItsPaceOrTheTimeOut) {
    Sequence read("Reading", Steps(3), Pace::ReplyParsed);
    EXPECT_EQ(read.Start().kind, Kind::Send);
    EXPECT_EQ(read.Progress(), "Reading 1 of 3 \xC2\xB7 S1");
    EXPECT_EQ(read.Sent(true).kind, Kind::Nothing);
    EXPECT_EQ(read.BlockReceived().kind, Kind::Nothing);  // a block alone is no parsed reply
    EXPECT_EQ(read.ReplyParsed("").kind, Kind::Send);
    EXPECT_EQ(read.CurrentIndex(), 1u);
    EXPECT_EQ(read.TimeOut().kind, Kind::Send);
    EXPECT_EQ(read.ReplyParsed("").kind, Kind::Finish);
    EXPECT_EQ(read.state(), State::Completed);
    EXPECT_EQ(read.Unanswered(), std::vector<std::string>{"S2"});
    EXPECT_EQ(read.Summary("Read all"), "Read all: 1 step got no answer: S2.");
    // Late events after the end change nothing.
    EXPECT_EQ(read.ReplyParsed("").kind, Kind::Nothing);
    EXPECT_EQ(read.TimeOut().kind, Kind::Nothing);
    EXPECT_EQ(read.Cancel().kind, Kind::Nothing);
    EXPECT_EQ(read.state(), State::Completed);

    Sequence write("Writing", Steps(2), Pace::BlockReceived);
    write.Start();
    EXPECT_EQ(write.ReplyParsed("").kind, Kind::Nothing);
    EXPECT_EQ(write.BlockReceived().kind, Kind::Send);
    EXPECT_EQ(write.BlockReceived().kind, Kind::Finish);
    EXPECT_EQ(write.Summary("Write all"), "Write all: 2 of 2 steps answered.");
}

TEST(SequenceTest, EveryStepSilentIsNamedAndTheSequenceEnds) {
    Sequence read("Reading", Steps(3), Pace::ReplyParsed);
    read.Start();
    EXPECT_EQ(read.TimeOut().kind, Kind::Send);
    EXPECT_EQ(read.TimeOut().kind, Kind::Send);
    EXPECT_EQ(read.TimeOut().kind, Kind::Finish);
    EXPECT_EQ(read.Summary("Read all"), "Read all: 3 steps got no answer: S1, S2, S3.");
}

TEST(SequenceTest, AParsedTextWithoutTheStepsTagIsNoAnswer) {
    Sequence read("Reading", {{"QX3", "PPPPPP#QX3#", 202, "ZDAD09:"}, {"QX4", "PPPPPP#QX4#", 203, "ZDPD01:"}},
                  Pace::ReplyParsed);
    read.Start();
    EXPECT_EQ(read.ReplyParsed("ZDAD01:0,001").kind, Kind::Nothing);  // a late answer to QX2
    EXPECT_EQ(read.ReplyParsed("x ZDAD09:0,001").kind, Kind::Send);
    EXPECT_EQ(read.ReplyParsed("ZDPD0").kind, Kind::Nothing);  // cut before the tag ends
    EXPECT_EQ(read.TimeOut().kind, Kind::Finish);
    EXPECT_EQ(read.Unanswered(), std::vector<std::string>{"QX4"});
}

TEST(SequenceTest, CancelPortLostAndRefusedSendEndAtOnce) {
    const struct {
        Sequence::Action (Sequence::*event)();
        State state;
        std::string summary;
    } cases[] = {
        {&Sequence::Cancel, State::Cancelled, "X: cancelled at step 2 of 3 (S2)."},
        {&Sequence::PortLost, State::PortLost, "X: stopped at step 2 of 3 (S2): the port was closed."},
    };
    for (const auto& c : cases) {
        Sequence s("Reading", Steps(3), Pace::ReplyParsed);
        s.Start();
        s.ReplyParsed("");
        EXPECT_EQ((s.*c.event)().kind, Kind::Finish);
        EXPECT_EQ(s.state(), c.state);
        EXPECT_EQ(s.Summary("X"), c.summary);
        EXPECT_EQ(s.TimeOut().kind, Kind::Nothing);
        EXPECT_EQ(s.PortLost().kind, Kind::Nothing);
    }
    Sequence s("Writing", Steps(3), Pace::BlockReceived);
    s.Start();
    EXPECT_EQ(s.Sent(false).kind, Kind::Finish);
    EXPECT_EQ(s.state(), State::NotSent);
    EXPECT_EQ(s.Summary("X"), "X: stopped at step 1 of 3 (S1): the port does not take data.");

    Sequence empty("Writing", {}, Pace::BlockReceived);
    EXPECT_EQ(empty.Start().kind, Kind::Finish);
}

}  // namespace

// The reply path on a hand-moved clock: what each code does with a block,
// when the parse falls due, and what the parse reads.

#include <gtest/gtest.h>

#include "console/window/ReplyPath.h"

using console::ReplyPath;
using namespace std::chrono_literals;

namespace {

struct PathTest : ::testing::Test {
    ReplyPath::Clock::time_point now{};
    ReplyPath path{[this] { return now; }};
};

}  // namespace

TEST_F(PathTest, EachCodeDropsShowsOrParses) {
    using Take = ReplyPath::Take;
    const struct Row {
        int code;
        Take take;
        int after;  // the code once the parse has run
    } rows[] = {
        {.code = 0, .take = Take::Dropped, .after = 0},
        {.code = 100, .take = Take::Shown, .after = 100},
        {.code = 106, .take = Take::Shown, .after = 106},
        {.code = 201, .take = Take::ShownForParse, .after = 201},
        {.code = 202, .take = Take::ShownForParse, .after = 0},
        {.code = 203, .take = Take::ShownForParse, .after = 0},
        {.code = 1501, .take = Take::ShownForParse, .after = 0},
        {.code = 1502, .take = Take::ShownForParse, .after = 0},
        {.code = 7, .take = Take::Dropped, .after = 7},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.code);
        ReplyPath p;
        p.Sending(row.code);
        const auto got = p.BlockReceived("R", false);
        EXPECT_EQ(got.take, row.take);
        EXPECT_EQ(got.settle, row.take == Take::Dropped ? 0ms : ReplyPath::SettleWait);
        EXPECT_EQ(p.Text(), row.take == Take::Dropped ? "" : "R");
        EXPECT_EQ(p.ParsePending(), row.take == Take::ShownForParse);
        EXPECT_EQ(p.Parse().has_value(), row.take == Take::ShownForParse);
        EXPECT_EQ(p.Mode(), row.after);
        EXPECT_FALSE(p.ParsePending());
    }
}

TEST_F(PathTest, TheParseFallsDueOnceAndALaterBlockDoesNotMoveIt) {
    path.Sending(protocol::Code(protocol::ReplyCode::SystemParameters));
    path.BlockReceived("first", false);
    now += 400ms;
    path.BlockReceived("second", true);
    EXPECT_EQ(path.ParseAt(), ReplyPath::Clock::time_point{} + 600ms);
    EXPECT_FALSE(path.ParseDue());
    now += 200ms;
    EXPECT_TRUE(path.ParseDue());
    EXPECT_EQ(path.Parse()->text, "second");  // the last block, not the first
}

TEST_F(PathTest, AShownBlockOrANewCodeDropsAPendingParse) {
    path.Sending(protocol::Code(protocol::ReplyCode::SystemParameters));
    path.BlockReceived("x", false);
    path.Mode() = protocol::Code(protocol::ReplyCode::Shown);
    path.BlockReceived("ack", false);
    EXPECT_FALSE(path.ParsePending());
    path.Sending(protocol::Code(protocol::ReplyCode::AnalogChannels));
    path.BlockReceived("y", false);
    path.Sending(protocol::Code(protocol::ReplyCode::SystemParameters));
    EXPECT_FALSE(path.ParsePending());
    path.Sending(std::nullopt);  // no code: the one in force stays
    EXPECT_EQ(path.Mode(), protocol::Code(protocol::ReplyCode::SystemParameters));
}

TEST_F(PathTest, WhileASequenceRunsATakenBlockIsShownAtOnceCutAndNeverParsed) {
    using Take = ReplyPath::Take;
    path.Sending(protocol::Code(protocol::ReplyCode::SystemParameters));
    path.BlockReceived("ADR:001", false);
    path.SequenceRunning(true);
    EXPECT_FALSE(path.ParsePending());  // a page's reply pending before the sequence
    const std::string big(300, 'a');
    const struct Row {
        int code;
        Take take;
    } rows[] = {
        {.code = 0, .take = Take::Dropped},
        {.code = 100, .take = Take::Shown},
        {.code = 201, .take = Take::Shown},
        {.code = 1502, .take = Take::Shown},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.code);
        path.Sending(row.code);
        const auto got = path.BlockReceived(std::to_string(row.code) + big, false);
        EXPECT_EQ(got.take, row.take);
        EXPECT_EQ(got.settle, 0ms);
        if (row.take == Take::Shown) {
            EXPECT_EQ(path.Text(), (std::to_string(row.code) + big).substr(0, 255));
        }
        EXPECT_FALSE(path.ParsePending());
        EXPECT_FALSE(path.Parse());  // the sequence alone reads its answers
        EXPECT_EQ(path.Mode(), row.code);
    }
    // What comes after the sequence answers one of its steps: no control takes it.
    path.SequenceRunning(false);
    EXPECT_EQ(path.Mode(), protocol::Code(protocol::ReplyCode::None));
    path.Sending(protocol::Code(protocol::ReplyCode::SystemParameters));
    const auto page = path.BlockReceived("ADR:002", false);
    EXPECT_EQ(page.take, Take::ShownForParse);
    EXPECT_EQ(page.settle, ReplyPath::SettleWait);
}

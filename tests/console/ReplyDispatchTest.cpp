// The ReplyMode table in the window: which blocks are shown, which are parsed, and when.
// Blocks are handed to the receive handler directly, as Comm1 would.

#include <QLineEdit>
#include <QPlainTextEdit>

#include <thread>

#include "console/window/ReplyPath.h"

#include "tests/console/WindowFixture.h"

using namespace consoletest;

namespace {

class DispatchTest : public WindowTest {
protected:
    void SetUp() override {
        WindowTest::SetUp();
        // The window parses the received text: what it holds when a parse ran.
        QObject::connect(form.get(), &console::TForm1::ReplyParsed, form.get(),
                         [this](int code) { parses.push_back({code, form->ReceivedText()}); });
        // Each settle wait and what the receive buffer showed during it.
        form->SetSettleSleep([this](std::chrono::milliseconds wait) {
            waits.push_back({wait, memo()});
            std::this_thread::sleep_for(wait);
        });
    }
    void deliver(const std::string& bytes) {
        form->Comm1ReceiveData(form->Comm1(), reinterpret_cast<const std::uint8_t*>(bytes.data()),
                               static_cast<std::uint16_t>(bytes.size()));
    }
    QString memo() { return find<QPlainTextEdit>("Memo8")->toPlainText(); }

    struct Parse {
        int code;
        std::string text;
    };
    std::vector<Parse> parses;
    struct Wait {
        std::chrono::milliseconds length;
        QString shown;
    };
    std::vector<Wait> waits;
};

}  // namespace

TEST_F(DispatchTest, EachCodeShowsParsesOrDropsABlock) {
    struct Row {
        int code;
        bool shown;
        bool parsed;
        int after;  // ReplyMode once the parse has run
    };
    const Row rows[] = {
        {0, false, false, 0},       {100, true, false, 100},    {106, true, false, 106},
        {201, true, true, 201},     {202, true, true, 0},       {203, true, true, 0},
        {1501, true, true, 0},      {1502, true, true, 0},      {7, false, false, 7},
        {-1, false, false, -1},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.code);
        parses.clear();
        waits.clear();
        form->ReplyMode() = row.code;
        find<QPlainTextEdit>("Memo8")->setPlainText("before");
        const std::string reply = "R" + std::to_string(row.code);
        deliver(reply);
        // A block taken in is shown only after the settle wait; a dropped one is not waited for.
        ASSERT_EQ(waits.size(), row.shown ? 1u : 0u);
        if (row.shown) {
            EXPECT_EQ(waits[0].length, console::ReplyPath::SettleWait);
            EXPECT_EQ(waits[0].shown, "before");
        }
        EXPECT_EQ(memo(), row.shown ? QString::fromStdString(reply) : QString("before"));
        EXPECT_EQ(form->ReceivedText() == reply, row.shown);
        EXPECT_EQ(form->Timer2().isActive(), row.parsed);
        if (row.parsed) {
            ASSERT_TRUE(waitFor([&] { return !parses.empty(); }));
        }
        QTest::qWait(400);  // long enough for a stray parse to show
        ASSERT_EQ(parses.size(), row.parsed ? 1u : 0u);
        if (row.parsed) {
            EXPECT_EQ(parses[0].code, row.code);
            EXPECT_EQ(parses[0].text, reply);
        }
        EXPECT_EQ(form->ReplyMode(), row.after);
        EXPECT_FALSE(form->Timer2().isActive());
    }
}

TEST_F(DispatchTest, OnlyTheFirst255CharactersAreKept) {
    form->ReplyMode() = 201;
    std::string block(300, 'x');
    for (std::size_t i = 0; i < block.size(); ++i) block[i] = static_cast<char>('A' + i % 26);
    deliver(block);
    EXPECT_EQ(form->ReceivedText(), block.substr(0, 255));
    EXPECT_EQ(memo().size(), 255);
    ASSERT_TRUE(waitFor([&] { return !parses.empty(); }));
    EXPECT_EQ(parses[0].text, block.substr(0, 255));
}

TEST_F(DispatchTest, ASecondBlockReplacesTheFirstAndDoesNotRestartTimer2) {
    form->ReplyMode() = 202;
    deliver("first part");
    ASSERT_TRUE(form->Timer2().isActive());
    // The second block's handler sleeps 300 ms: by its end the timer is due.
    deliver("second part");
    EXPECT_EQ(memo(), "second part");
    EXPECT_EQ(form->ReceivedText(), "second part");
    EXPECT_LT(form->Timer2().remainingTime(), 150);
    ASSERT_TRUE(waitFor([&] { return !parses.empty(); }));
    EXPECT_EQ(parses.size(), 1u);
    EXPECT_EQ(parses[0].text, "second part");
    // After the 202 parse a late block is dropped.
    deliver("late");
    EXPECT_EQ(memo(), "second part");
    QTest::qWait(400);
    EXPECT_EQ(parses.size(), 1u);
}

TEST_F(DispatchTest, SystemParameterRepliesAreParsedAgainUntilTheNextCommand) {
    form->ReplyMode() = 201;
    deliver("ADR:001");
    ASSERT_TRUE(waitFor([&] { return parses.size() == 1; }));
    // "MR485A" sets no code: its answer is parsed as a system-parameter reply.
    form->SendCommand("HQLNVE#MR485A:3,0,0#", std::nullopt);
    EXPECT_EQ(form->ReplyMode(), 201);
    deliver("R485A:3,0,0");
    ASSERT_TRUE(waitFor([&] { return parses.size() == 2; }));
    EXPECT_EQ(parses[1].code, 201);
    EXPECT_EQ(parses[1].text, "R485A:3,0,0");
}

TEST_F(DispatchTest, ACommandWithACodeCancelsAParsePendingFromTheLastReply) {
    form->ReplyMode() = 203;
    deliver("ZDPD01:old reply");
    ASSERT_TRUE(form->Timer2().isActive());
    form->SendCommand("PPPPPP#QX2#", protocol::ReplyCode::AnalogChannels);
    EXPECT_FALSE(form->Timer2().isActive());
    QTest::qWait(400);
    EXPECT_TRUE(parses.empty());
    // So the new command's own reply is still taken and parsed.
    EXPECT_EQ(form->ReplyMode(), 202);
    deliver("ZDAD01:new reply");
    ASSERT_TRUE(waitFor([&] { return !parses.empty(); }));
    EXPECT_EQ(parses[0].code, 202);
    EXPECT_EQ(parses[0].text, "ZDAD01:new reply");
}

TEST_F(DispatchTest, ACommandWithoutACodeLeavesTheTimerRunning) {
    form->ReplyMode() = 201;
    deliver("ADR:001");
    form->SendCommand("HQLNVE#BADR:00100,00200#", std::nullopt);
    EXPECT_TRUE(form->Timer2().isActive());
    ASSERT_TRUE(waitFor([&] { return !parses.empty(); }));
    EXPECT_EQ(parses[0].text, "ADR:001");
}

TEST_F(DispatchTest, ABlockShownOnlyStopsAPendingParse) {
    form->ReplyMode() = 201;
    deliver("ADR:001");
    form->ReplyMode() = 100;
    deliver("OK");
    EXPECT_FALSE(form->Timer2().isActive());
    QTest::qWait(400);
    EXPECT_TRUE(parses.empty());
}

TEST_F(DispatchTest, ASequencesBlockIsShownWithoutTheWaitAndNeverParsed) {
    form->ReplyMode() = 201;
    deliver("ADR:001");  // a page's reply, its parse pending
    waits.clear();
    form->SequenceRunning(true);
    EXPECT_FALSE(form->Timer2().isActive());
    for (const int code : {100, 201, 202, 1502}) {
        SCOPED_TRACE(code);
        form->ReplyMode() = code;
        const std::string reply = "R" + std::to_string(code);
        deliver(reply);
        EXPECT_EQ(memo(), QString::fromStdString(reply));
        EXPECT_FALSE(form->Timer2().isActive());
    }
    EXPECT_TRUE(waits.empty());
    form->SequenceRunning(false);
    EXPECT_EQ(form->ReplyMode(), 0);  // a late answer of the sequence is not taken
    deliver("late");
    EXPECT_EQ(memo(), "R1502");
    EXPECT_TRUE(waits.empty());
    EXPECT_TRUE(parses.empty());
}

TEST_F(DispatchTest, ADroppedBlockIsNotWaitedFor) {
    form->ReplyMode() = 0;
    for (int i = 0; i < 5; ++i) deliver("noise");
    EXPECT_TRUE(waits.empty());
    EXPECT_TRUE(form->ReceivedText().empty());
}

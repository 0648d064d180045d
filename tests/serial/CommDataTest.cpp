// Bytes through the port both ways, blocks, time-outs, hang-ups.
#include <random>
#include <thread>

#include "CommFixture.h"

using namespace serialtest;

namespace {

std::vector<std::uint8_t> RandomBytes(std::size_t n, unsigned seed) {
    std::mt19937 random(seed);
    std::vector<std::uint8_t> bytes(n);
    for (auto& b : bytes) b = static_cast<std::uint8_t>(random());
    return bytes;
}

}  // namespace

TEST_F(CommTest, BurstArrivesWholeInOrderInBlocksOfAtMost2048) {
    comm.OpenPort();
    const std::vector<std::uint8_t> burst = RandomBytes(1 << 20, 7);
    std::thread device([&] { pty.write(burst); });
    const bool all = PumpUntil([&] {
        std::size_t n = 0;
        for (const Received& b : blocks) n += b.bytes.size();
        return n >= burst.size();
    }, 60s);
    device.join();
    ASSERT_TRUE(all);
    EXPECT_GT(blocks.size(), burst.size() / 2048 - 1);
    for (const Received& b : blocks) {
        EXPECT_GE(b.bytes.size(), 1u);
        EXPECT_LE(b.bytes.size(), 2048u);
        EXPECT_TRUE(b.terminated);
    }
    EXPECT_TRUE(AllReceived() == std::string(burst.begin(), burst.end()));
    PumpFor(300ms);
    EXPECT_EQ(AllReceived().size(), burst.size()) << "nothing repeated";
}

TEST_F(CommTest, BlockClosesAfterTheIntervalOfQuiet) {
    comm.OpenPort();
    // Taken before the write: the reader cannot see a byte any earlier.
    const auto written = Clock::now();
    pty.write("PPPPPP#VAR#");
    ASSERT_TRUE(PumpUntil([&] { return !blocks.empty(); }));
    EXPECT_EQ(blocks[0].bytes, "PPPPPP#VAR#");
    const auto after = blocks[0].at - written;
    EXPECT_GE(after, 100ms);
    EXPECT_LT(after, 2s);
}

TEST_F(CommTest, PiecesWithinTheIntervalMakeOneBlockAndAPauseTwo) {
    comm.SetReadIntervalTimeout(400);
    comm.OpenPort();
    pty.write("abc");
    std::this_thread::sleep_for(50ms);
    pty.write("def");
    ASSERT_TRUE(PumpUntil([&] { return !blocks.empty(); }));
    EXPECT_EQ(blocks[0].bytes, "abcdef");

    comm.SetReadIntervalTimeout(50);  // from the next read on
    pty.write("g");
    std::this_thread::sleep_for(600ms);
    pty.write("h");
    ASSERT_TRUE(PumpUntil([&] { return blocks.size() >= 3; }));
    EXPECT_EQ(blocks[1].bytes, "g");
    EXPECT_EQ(blocks[2].bytes, "h");
}

TEST_F(CommTest, ReadEndedEmptyByTotalTimeoutEndsTheReaderQuietly) {
    comm.SetReadTotalTimeoutConstant(150);
    const int threads = ThreadCount();
    comm.OpenPort();
    ASSERT_TRUE(PumpUntil([&] { return ThreadCount() == threads + 1; }));  // the reader has gone
    pty.write("late");
    PumpFor(400ms);
    EXPECT_TRUE(blocks.empty());
    EXPECT_EQ(hangups, 0);
    EXPECT_TRUE(comm.IsOpen());
    EXPECT_TRUE(comm.SendData("out", 3)) << "the writer carries on";
    EXPECT_EQ(pty.readAtLeast(3, 5s), "out");
}

TEST_F(CommTest, TotalTimeoutClosesABlockOnAContinuousLine) {
    comm.SetReadIntervalTimeout(0);
    comm.SetReadTotalTimeoutConstant(300);
    comm.OpenPort();
    pty.write("first");
    ASSERT_TRUE(PumpUntil([&] { return !blocks.empty(); }));
    EXPECT_EQ(blocks[0].bytes, "first");
}

TEST_F(CommTest, SendDataWritesEachBlockWholeInCallOrder) {
    comm.OpenPort();
    EXPECT_FALSE(comm.SendData("x", 0));
    std::string expected;
    for (int i = 0; i < 200; ++i) {
        const std::string piece = std::to_string(i) + std::string(static_cast<std::size_t>(i * 7 % 300), 'a' + i % 26);
        ASSERT_TRUE(comm.SendData(piece.data(), static_cast<std::uint16_t>(piece.size())));
        expected += piece;
    }
    const std::vector<std::uint8_t> largest = RandomBytes(65535, 3);
    ASSERT_TRUE(comm.SendData(largest.data(), 65535));
    expected.append(largest.begin(), largest.end());
    EXPECT_TRUE(pty.readAtLeast(expected.size(), 30s) == expected);
}

TEST_F(CommTest, SendDataEmptyOnceAfterOpenThenAfterEachWrite) {
    comm.OpenPort();
    PumpFor(300ms);
    EXPECT_EQ(sendEmpty, 1);
    ASSERT_TRUE(comm.SendData("PPPPPP#QX1#", 11));
    EXPECT_EQ(pty.readAtLeast(11, 5s), "PPPPPP#QX1#");
    ASSERT_TRUE(PumpUntil([&] { return sendEmpty == 2; }));
    PumpFor(200ms);
    EXPECT_EQ(sendEmpty, 2);
    EXPECT_EQ(hangups, 0);
}

TEST_F(CommTest, PeerGoneGivesOneHangupRequestAndTheReaderEnds) {
    const int threads = ThreadCount();
    comm.OpenPort();
    pty.write("last words");
    ASSERT_TRUE(PumpUntil([&] { return !blocks.empty(); }));
    pty.closeMaster();
    ASSERT_TRUE(PumpUntil([&] { return hangups >= 1; }));
    // The reader has ended rather than spinning on the hung-up line.
    EXPECT_TRUE(PumpUntil([&] { return ThreadCount() == threads + 1; }));
    PumpFor(300ms);
    EXPECT_EQ(hangups, 1);
    EXPECT_EQ(AllReceived(), "last words");
    EXPECT_TRUE(comm.IsOpen()) << "the owner decides when to close";
    comm.ClosePort();
    EXPECT_EQ(ThreadCount(), threads);
}

TEST_F(CommTest, SendDataAnswersFalseOnceTheWriterHasEnded) {
    const int threads = ThreadCount();
    comm.OpenPort();
    pty.closeMaster();
    ASSERT_TRUE(PumpUntil([&] { return hangups == 1; }));  // the reader's
    ASSERT_TRUE(comm.SendData("lost", 4));                  // the writer meets the dead line
    ASSERT_TRUE(PumpUntil([&] { return hangups == 2; }));
    ASSERT_TRUE(PumpUntil([&] { return ThreadCount() == threads; }));
    EXPECT_FALSE(comm.SendData("more", 4));
    comm.ClosePort();
}

TEST_F(CommTest, NotificationsTellWhichOpenPostedThem) {
    comm.OpenPort();
    std::this_thread::sleep_for(200ms);  // the first open's writer posts its idle notice
    comm.ClosePort();
    comm.OpenPort();
    ASSERT_TRUE(PumpUntil([&] { return sendEmpty == 2; }));
    EXPECT_EQ(sendEmptySerials, (std::vector<std::uint64_t>{1, 2}));
    EXPECT_EQ(comm.OpenSerial(), 2u);

    // A handler that drains the queue itself still sees its own open after.
    std::vector<std::uint64_t> seenAfterInnerDrain;
    comm.OnReceiveData = [&](serial::TComm& sender, const std::uint8_t*, std::uint16_t) {
        if (!seenAfterInnerDrain.empty()) return;
        comm.ClosePort();
        comm.OpenPort();  // open 3, whose writer posts its idle notice
        PumpUntil([&] { return sendEmpty == 3; });
        seenAfterInnerDrain.push_back(sender.NotificationOpenSerial());
    };
    pty.write("x");
    ASSERT_TRUE(PumpUntil([&] { return !seenAfterInnerDrain.empty(); }));
    EXPECT_EQ(seenAfterInnerDrain, std::vector<std::uint64_t>{2});
    EXPECT_EQ(sendEmptySerials.back(), 3u);
}

TEST_F(CommTest, TellsWhetherAnotherReceivedBlockWaits) {
    comm.OpenPort();
    PumpFor(100ms);  // the writer's idle notice
    EXPECT_FALSE(comm.ReceivedDataWaiting());
    pty.write("first");
    std::this_thread::sleep_for(250ms);  // the interval closes the first block
    pty.write("second");
    std::this_thread::sleep_for(250ms);
    std::vector<bool> waitingBehind;
    comm.OnReceiveData = [&](serial::TComm& sender, const std::uint8_t*, std::uint16_t) {
        waitingBehind.push_back(sender.ReceivedDataWaiting());
    };
    comm.ProcessNotifications();
    EXPECT_EQ(waitingBehind, (std::vector<bool>{true, false}));
}

TEST_F(CommTest, OneNotificationAtATimeLeavesTheRestQueuedInOrder) {
    comm.OpenPort();
    PumpFor(100ms);  // the writer's idle notice
    pty.write("first");
    std::this_thread::sleep_for(250ms);  // the interval closes the first block
    pty.write("second");
    std::this_thread::sleep_for(250ms);
    std::vector<std::string> seen;
    comm.OnReceiveData = [&](serial::TComm&, const std::uint8_t* buffer, std::uint16_t length) {
        seen.emplace_back(reinterpret_cast<const char*>(buffer), length);
    };
    EXPECT_TRUE(comm.ProcessNotification());
    EXPECT_EQ(seen, std::vector<std::string>{"first"});
    EXPECT_TRUE(comm.ReceivedDataWaiting());
    EXPECT_TRUE(comm.ProcessNotification());
    EXPECT_EQ(seen, (std::vector<std::string>{"first", "second"}));
    EXPECT_FALSE(comm.ProcessNotification());
}

TEST_F(CommTest, HandlerThatThrowsLeavesTheRestQueued) {
    comm.OpenPort();
    pty.write("one");
    ASSERT_TRUE(PumpUntil([&] { return !blocks.empty(); }));
    comm.ClosePort();
    comm.OnReceiveData = [](serial::TComm&, const std::uint8_t*, std::uint16_t) {
        throw std::runtime_error("handler failed");
    };
    comm.OpenPort();
    pty.write("two");
    std::this_thread::sleep_for(400ms);  // block "two" and the idle notice wait in the queue
    int before = sendEmpty;
    EXPECT_THROW(
        for (int i = 0; i < 20; ++i) {
            comm.ProcessNotifications();
            std::this_thread::sleep_for(50ms);
        },
        std::runtime_error);
    comm.OnReceiveData = nullptr;
    PumpFor(200ms);
    EXPECT_EQ(sendEmpty, before + 1);
}

// Bytes through the port both ways, blocks, time-outs, hang-ups.
#include <random>
#include <thread>

#include "tests/serial/CommFixture.h"

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

    comm.SetReadIntervalTimeout(50);  // at once
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
    // A piece every 40 ms for 1.2 s: the line is never quiet, so only the
    // total time-out can close a block.
    std::string sent;
    for (int i = 0; i < 30; ++i) {
        const std::string piece = "<" + std::to_string(i) + ">";
        pty.write(piece);
        sent += piece;
        std::this_thread::sleep_for(40ms);
    }
    ASSERT_TRUE(PumpUntil([&] { return AllReceived().size() >= sent.size(); }));
    EXPECT_EQ(AllReceived(), sent);
    EXPECT_GE(blocks.size(), 2u) << "the total time-out closed no block";
    EXPECT_LT(blocks.size(), 15u) << "blocks closed without the total time-out";
    EXPECT_GT(blocks[0].bytes.size(), 4u) << "the first block held only its first piece";
}

TEST_F(CommTest, IntervalIsQuietAfterTheLastByteNotTimeSinceTheReadBegan) {
    comm.SetReadIntervalTimeout(300);
    comm.OpenPort();
    std::this_thread::sleep_for(400ms);  // a quiet line: the read began long ago
    // Pieces 100 ms apart, under the interval, spanning more than it.
    for (const char* piece : {"ADR:", "005,", "MDO:", "1#", "ok"}) {
        pty.write(piece);
        std::this_thread::sleep_for(100ms);
    }
    ASSERT_TRUE(PumpUntil([&] { return AllReceived().size() >= 15; }));
    PumpFor(400ms);
    ASSERT_EQ(blocks.size(), 1u) << blocks[0].bytes;
    EXPECT_EQ(blocks[0].bytes, "ADR:005,MDO:1#ok");
}

TEST_F(CommTest, IntervalChangedWhileOpenReachesTheReadAlreadyWaiting) {
    comm.SetReadIntervalTimeout(6000);
    comm.OpenPort();
    PumpFor(100ms);  // the read is waiting under the long interval
    comm.SetReadIntervalTimeout(50);
    const auto written = Clock::now();
    pty.write("VAR:OK#");
    ASSERT_TRUE(PumpUntil([&] { return !blocks.empty(); }, 10s));
    EXPECT_EQ(blocks[0].bytes, "VAR:OK#");
    EXPECT_LT(blocks[0].at - written, 3s) << "the block waited out the old interval";
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

TEST_F(CommTest, AfterTheHangupSendDataAnswersFalseAndNoSecondHangupFollows) {
    const int threads = ThreadCount();
    comm.OpenPort();
    pty.closeMaster();
    ASSERT_TRUE(PumpUntil([&] { return hangups == 1; }));
    EXPECT_FALSE(comm.SendData("lost", 4));
    PumpFor(300ms);
    EXPECT_EQ(hangups, 1);
    comm.ClosePort();
    EXPECT_EQ(ThreadCount(), threads);
}

TEST_F(CommTest, SendDataRefusesMoreThan65535BytesWhole) {
    comm.OpenPort();
    const std::string tooLong(70000, 'x');
    EXPECT_FALSE(comm.SendData(tooLong.data(), tooLong.size()));
    EXPECT_TRUE(comm.SendData(tooLong.data(), serial::MaxSendLength));
    EXPECT_EQ(pty.readAtLeast(serial::MaxSendLength + 1, 10s).size(), serial::MaxSendLength)
        << "only the block that fits is written";
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
    std::vector<std::string> seen;
    comm.OnReceiveData = [&](serial::TComm&, const std::uint8_t* buffer, std::uint16_t length) {
        std::string block(reinterpret_cast<const char*>(buffer), length);
        if (block == "two") throw std::runtime_error("handler failed");
        seen.push_back(block);
    };
    comm.OpenPort();
    ASSERT_TRUE(PumpUntil([&] { return sendEmpty == 1; }));
    pty.write("two");
    std::this_thread::sleep_for(400ms);  // the interval closes "two"
    pty.write("three");
    std::this_thread::sleep_for(1500ms);  // "three" waits behind it
    EXPECT_THROW(comm.ProcessNotifications(), std::runtime_error);
    EXPECT_TRUE(comm.ReceivedDataWaiting()) << "the throw took the rest of the queue with it";
    PumpFor(200ms);
    EXPECT_EQ(seen, std::vector<std::string>{"three"});
}

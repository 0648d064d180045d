// Opening, closing and reopening a port, and every way OpenPort can fail.
#include <cerrno>
#include <cstring>
#include <thread>

#include "tests/serial/CommFixture.h"
#include "tests/util/CommSettings.h"

using namespace serialtest;
using serial::ECommsError;
using serial::TComm;

TEST(CommProperties, ValuesAfterConstruction) {
    TComm c;
    testutil::ExpectSettings(c, {});
    EXPECT_FALSE(c.IsOpen());
    EXPECT_FALSE(c.ReadLineState());
    EXPECT_FALSE(c.SendData("x", 1));
}

TEST_F(CommTest, OpensClosesAndReopens) {
    const int threads = ThreadCount();
    const int fds = OpenDescriptorCount();
    for (int round = 1; round <= 3; ++round) {
        comm.OpenPort();
        EXPECT_TRUE(comm.IsOpen());
        EXPECT_EQ(comm.DevicePath(), serial::DevicePathForPortName(pty.slavePath()));
        EXPECT_EQ(comm.OpenSerial(), static_cast<std::uint64_t>(round));
        ASSERT_TRUE(comm.SendData("ping", 4));
        EXPECT_EQ(pty.readAtLeast(4, 5s), "ping");
        pty.write("pong");
        ASSERT_TRUE(PumpUntil([&] { return AllReceived().size() >= 4; }));
        EXPECT_EQ(blocks.back().bytes, "pong");
        blocks.clear();
        comm.ClosePort();
        EXPECT_FALSE(comm.IsOpen());
        EXPECT_TRUE(ThreadsBackTo(threads));
        EXPECT_EQ(OpenDescriptorCount(), fds);
    }
    comm.ClosePort();  // closing twice is harmless
    EXPECT_FALSE(comm.SendData("x", 1));
}

TEST_F(CommTest, OpenWhileOpenChangesNothing) {
    comm.OpenPort();
    const int threads = ThreadCount();
    EXPECT_EQ(OpenError(comm).first, "This serial port already opened");
    EXPECT_TRUE(comm.IsOpen());
    EXPECT_EQ(ThreadCount(), threads);
    EXPECT_EQ(comm.OpenSerial(), 1u);
    pty.write("still here");
    ASSERT_TRUE(PumpUntil([&] { return AllReceived() == "still here"; }));
}

TEST_F(CommTest, FailuresLeaveNothingBehind) {
    const NotAPort file;
    const int threads = ThreadCount();
    const int fds = OpenDescriptorCount();
    for (const OpenFailure& c : OpenFailureCases(file.path)) {
        comm.SetCommName(c.name);
        const auto [message, reason] = OpenError(comm);
        EXPECT_EQ(message, c.message) << c.name;
        EXPECT_EQ(reason, c.reason) << c.name;
        EXPECT_FALSE(comm.IsOpen());
        EXPECT_TRUE(ThreadsBackTo(threads)) << c.name;
        EXPECT_EQ(OpenDescriptorCount(), fds);
    }

    // The failures spoiled nothing: the right name opens.
    comm.SetCommName(pty.slavePath());
    comm.OpenPort();
    EXPECT_TRUE(comm.IsOpen());
}

TEST_F(CommTest, PortHeldByAnotherOpenerIsRefused) {
    if (const auto why = ExclusivityUntested()) GTEST_SKIP() << *why;
    const std::string busy = std::strerror(EBUSY);

    // Another component of this process.
    TComm other;
    other.SetCommName(pty.slavePath());
    other.OpenPort();
    EXPECT_EQ(OpenError(comm), std::make_pair(std::string("Error opening serial port"), busy));
    EXPECT_FALSE(comm.IsOpen());
    other.ClosePort();
    comm.OpenPort();
    comm.ClosePort();

    comm.OpenPort();
    EXPECT_TRUE(comm.IsOpen());
}

TEST_F(CommTest, DestroyingAnOpenComponentClosesThePort) {
    const int threads = ThreadCount();
    const int fds = OpenDescriptorCount();
    {
        TComm scoped;
        scoped.SetCommName(pty.slavePath());
        scoped.OpenPort();
        EXPECT_EQ(ThreadCount(), threads + 2);
    }
    EXPECT_TRUE(ThreadsBackTo(threads));
    EXPECT_EQ(OpenDescriptorCount(), fds);
    comm.OpenPort();  // no lock left behind
    EXPECT_TRUE(comm.IsOpen());
}

TEST_F(CommTest, ClosePortReturnsPromptlyWhateverTheThreadsAreDoing) {
    // A read waiting for its first byte, a block half gathered under a long
    // interval, and a write the peer never takes.
#ifdef _WIN32
    // Under Wine a write to the bridged pseudo-terminal that stays full now
    // and then fails before the close, which ends the port as lost: what is
    // checked here cannot be told apart from that without real Windows.
    GTEST_SKIP() << "a write the peer never takes is not reliable under Wine's serial emulation";
#endif
    comm.SetReadIntervalTimeout(60000);
    comm.OpenPort();
    ASSERT_TRUE(PumpUntil([&] { return sendEmpty == 1; }));
    pty.write("half a block");
    std::vector<std::uint8_t> big(60000, 'w');
    for (int i = 0; i < 8; ++i) ASSERT_TRUE(comm.SendData(big.data(), static_cast<std::uint16_t>(big.size())));
    std::this_thread::sleep_for(200ms);

    const auto start = Clock::now();
    comm.ClosePort();
    EXPECT_LT(Clock::now() - start, 3s);
    EXPECT_FALSE(comm.IsOpen());
    PumpFor(100ms);
    EXPECT_TRUE(blocks.empty()) << "a block cut short by the close is not delivered";
    EXPECT_EQ(hangups, 0);
}

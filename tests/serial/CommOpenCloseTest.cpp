// Opening, closing and reopening a port, and every way OpenPort can fail.
#include <fcntl.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <thread>

#include "tests/serial/CommFixture.h"
#include "tests/util/CommSettings.h"

using namespace serialtest;
using serial::ECommsError;
using serial::TComm;

namespace {

// Runs OpenPort and returns its error (message, reason); empty when it opened.
std::pair<std::string, std::string> OpenError(TComm& comm) {
    try {
        comm.OpenPort();
    } catch (const ECommsError& e) {
        return {e.what(), e.Reason()};
    }
    return {};
}

}  // namespace

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
        EXPECT_EQ(comm.DevicePath(), pty.slavePath());
        EXPECT_EQ(comm.OpenSerial(), static_cast<std::uint64_t>(round));
        ASSERT_TRUE(comm.SendData("ping", 4));
        EXPECT_EQ(pty.readAtLeast(4, 5s), "ping");
        pty.write("pong");
        ASSERT_TRUE(PumpUntil([&] { return AllReceived().size() >= 4; }));
        EXPECT_EQ(blocks.back().bytes, "pong");
        blocks.clear();
        comm.ClosePort();
        EXPECT_FALSE(comm.IsOpen());
        EXPECT_EQ(ThreadCount(), threads);
        EXPECT_EQ(OpenDescriptorCount(), fds);
    }
    comm.ClosePort();  // closing twice is harmless
    EXPECT_FALSE(comm.SendData("x", 1));
}

TEST_F(CommTest, ClosedPortCanBeOpenedByAnOrdinaryOpenerAgain) {
    comm.OpenPort();
    comm.ClosePort();
    // Exclusivity and the lock are gone with the close.
    const int fd = ::open(pty.slavePath().c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
    ASSERT_GE(fd, 0) << std::strerror(errno);
    EXPECT_EQ(::flock(fd, LOCK_EX | LOCK_NB), 0);
    ::close(fd);
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
    char file[] = "/tmp/tq410k-not-a-port.XXXXXX";
    const int fileFd = ::mkstemp(file);
    ASSERT_GE(fileFd, 0);
    ::close(fileFd);

    struct Case {
        std::string name, message, reason;
    };
    const Case cases[] = {
        {"/dev/tq410k-no-such-port", "Error opening serial port", std::strerror(ENOENT)},
        {file, "File handle is not a comm handle ", std::strerror(ENOTTY)},
        {"/proc/self", "Error opening serial port", std::strerror(EISDIR)},
    };
    const int threads = ThreadCount();
    const int fds = OpenDescriptorCount();
    for (const Case& c : cases) {
        comm.SetCommName(c.name);
        const auto [message, reason] = OpenError(comm);
        EXPECT_EQ(message, c.message) << c.name;
        EXPECT_EQ(reason, c.reason) << c.name;
        EXPECT_FALSE(comm.IsOpen());
        EXPECT_EQ(ThreadCount(), threads);
        EXPECT_EQ(OpenDescriptorCount(), fds);
    }
    ::unlink(file);

    // The failures spoiled nothing: the right name opens.
    comm.SetCommName(pty.slavePath());
    comm.OpenPort();
    EXPECT_TRUE(comm.IsOpen());
}

TEST_F(CommTest, PortHeldByAnotherOpenerIsRefused) {
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

    // Another program holding the lock (root too is held off by it).
    const int fd = ::open(pty.slavePath().c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(::flock(fd, LOCK_EX | LOCK_NB), 0);
    const int fds = OpenDescriptorCount();
    EXPECT_EQ(OpenError(comm), std::make_pair(std::string("Error opening serial port"), busy));
    EXPECT_EQ(OpenDescriptorCount(), fds);
    ::close(fd);
    comm.OpenPort();
    EXPECT_TRUE(comm.IsOpen());
}

TEST_F(CommTest, PortInAnotherProgramsExclusiveModeIsRefusedAndLeftSo) {
    // Another program holds the port with the driver's exclusive mode only,
    // no lock. Root passes the driver's check, so the component must look.
    const int fd = ::open(pty.slavePath().c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(::ioctl(fd, TIOCEXCL), 0);
    const int fds = OpenDescriptorCount();
    EXPECT_EQ(OpenError(comm), std::make_pair(std::string("Error opening serial port"), std::string(std::strerror(EBUSY))));
    EXPECT_FALSE(comm.IsOpen());
    EXPECT_EQ(OpenDescriptorCount(), fds);
    int exclusive = 0;
    ASSERT_EQ(::ioctl(fd, TIOCGEXCL, &exclusive), 0);
    EXPECT_EQ(exclusive, 1) << "the other program keeps its exclusive mode";
    ::ioctl(fd, TIOCNXCL);
    ::close(fd);
    comm.OpenPort();
    EXPECT_TRUE(comm.IsOpen());
}

TEST_F(CommTest, OrdinaryUsersCannotOpenAnOpenPort) {
    if (::geteuid() == 0) GTEST_SKIP() << "root ignores the driver's exclusive mode, so whether TIOCEXCL keeps ordinary "
                                        "users out is checked only when the tests run unprivileged";
    comm.OpenPort();
    const int fd = ::open(pty.slavePath().c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
    const int error = errno;
    if (fd >= 0) ::close(fd);
    EXPECT_LT(fd, 0);
    EXPECT_EQ(error, EBUSY);
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
    EXPECT_EQ(ThreadCount(), threads);
    EXPECT_EQ(OpenDescriptorCount(), fds);
    comm.OpenPort();  // no lock left behind
    EXPECT_TRUE(comm.IsOpen());
}

TEST_F(CommTest, ClosePortReturnsPromptlyWhateverTheThreadsAreDoing) {
    // A read waiting for its first byte, a block half gathered under a long
    // interval, and a write the peer never takes.
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

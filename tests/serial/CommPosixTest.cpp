// What only the Linux port I/O does: the lock and the driver's exclusive
// mode against other openers, and the terminal's speed codes.
#include <fcntl.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "tests/serial/CommFixture.h"

using namespace serialtest;

TEST_F(CommTest, PortLockedByAnotherProgramIsRefused) {
    const std::string busy = std::strerror(EBUSY);
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

TEST_F(CommTest, ClosedPortCanBeOpenedByAnOrdinaryOpenerAgain) {
    comm.OpenPort();
    comm.ClosePort();
    // Exclusivity and the lock are gone with the close.
    const int fd = ::open(pty.slavePath().c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
    ASSERT_GE(fd, 0) << std::strerror(errno);
    EXPECT_EQ(::flock(fd, LOCK_EX | LOCK_NB), 0);
    ::close(fd);
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


TEST_F(CommTest, StandardRatesUseTheirOwnSpeedCodeOthersBother) {
    constexpr tcflag_t Bother = 0010000;  // BOTHER, which <termios.h> does not name
    struct Case {
        std::uint32_t rate;
        speed_t code;  // what a program reading the classic record sees
    };
    const Case cases[] = {
        {.rate = 9600, .code = B9600},
        {.rate = 115200, .code = B115200},
        {.rate = 1200, .code = B1200},
        {.rate = 921600, .code = B921600},
        {.rate = 250000, .code = Bother},
        {.rate = 12345, .code = Bother},
    };
    comm.OpenPort();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.rate);
        comm.SetBaudRate(c.rate);
        termios t{};  // the master side reads the port's own settings
        ASSERT_EQ(::tcgetattr(pty.master(), &t), 0);
        EXPECT_EQ(t.c_cflag & CBAUD, c.code);
        EXPECT_EQ(comm.ReadLineState()->BaudRate, c.rate);
    }
}

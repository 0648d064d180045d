// The emulator's port after the program on it goes: a fresh pseudo-terminal
// behind the same link when it died holding exclusive mode, the same one
// otherwise.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/ioctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <climits>
#include <string>

#include "emulator/LinkedPty.h"
#include "emulator/PeerWatch.h"

namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

std::string LinkTarget(const std::string& link) {
    char target[PATH_MAX] = {};
    const ssize_t n = ::readlink(link.c_str(), target, sizeof target - 1);
    return n > 0 ? std::string(target, static_cast<std::size_t>(n)) : std::string();
}

// Runs the emulator's wait and check for `span`, or until the pair is renewed.
bool WatchFor(emulator::LinkedPty& pty, emulator::PeerWatch& watch, std::chrono::milliseconds span) {
    for (const auto end = Clock::now() + span; Clock::now() < end;) {
        pollfd p{pty.Master(), POLLIN, 0};
        const int ready = ::poll(&p, 1, watch.IntervalMs() < 0 ? 50 : std::min(watch.IntervalMs(), 50));
        if (watch.Check(ready > 0 && (p.revents & POLLHUP))) return true;
    }
    return false;
}

}  // namespace

TEST(PeerWatch, FreshPortBehindTheLinkOnlyWhenAProgramDiedHoldingItExclusive) {
    enum class End { Killed, ClosedPolitely };
    struct Case {
        const char* what;
        bool exclusive;
        End end;
        bool renewed;
    };
    const Case cases[] = {
        {.what = "killed holding exclusive mode", .exclusive = true, .end = End::Killed, .renewed = true},
        {.what = "closed after leaving exclusive mode", .exclusive = true, .end = End::ClosedPolitely, .renewed = false},
        {.what = "killed without exclusive mode", .exclusive = false, .end = End::Killed, .renewed = false},
    };
    char dir[] = "/tmp/tq410k-peer.XXXXXX";
    ASSERT_NE(::mkdtemp(dir), nullptr);
    const std::string link = std::string(dir) + "/port";
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        emulator::LinkedPty pty(link);
        ASSERT_TRUE(pty.Renew()) << pty.Error();
        emulator::PeerWatch watch(pty);
        const std::string first = pty.SlavePath();
        ASSERT_EQ(LinkTarget(link), first);

        int ready[2], release[2];
        ASSERT_EQ(::pipe(ready), 0);
        ASSERT_EQ(::pipe(release), 0);
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {  // the program on the port
            const int fd = ::open(link.c_str(), O_RDWR | O_NOCTTY);
            if (fd < 0) ::_exit(1);
            if (c.exclusive) ::ioctl(fd, TIOCEXCL);
            char b = 'r';
            if (::write(ready[1], &b, 1) != 1) ::_exit(1);
            if (::read(release[0], &b, 1) != 1) ::_exit(1);
            ::ioctl(fd, TIOCNXCL);
            ::close(fd);
            ::_exit(0);
        }
        char b = 0;
        ASSERT_EQ(::read(ready[0], &b, 1), 1);
        EXPECT_FALSE(WatchFor(pty, watch, 600ms)) << "renewed while the program was still on it";
        if (c.end == End::Killed) ::kill(child, SIGKILL);
        else ASSERT_EQ(::write(release[1], &b, 1), 1);
        ::waitpid(child, nullptr, 0);
        for (int fd : {ready[0], ready[1], release[0], release[1]}) ::close(fd);

        EXPECT_EQ(WatchFor(pty, watch, c.renewed ? 10s : 1s), c.renewed);
        EXPECT_EQ(pty.SlavePath() != first, c.renewed);
        EXPECT_EQ(LinkTarget(link), pty.SlavePath());
        // The next program opens the link, may take exclusive mode, and talks.
        const int fd = ::open(link.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
        ASSERT_GE(fd, 0) << "the link is still refused";
        int exclusive = 1;
        ASSERT_EQ(::ioctl(fd, TIOCGEXCL, &exclusive), 0);
        EXPECT_EQ(exclusive, 0);
        ASSERT_EQ(::write(fd, "VAR#", 4), 4);
        pollfd p{pty.Master(), POLLIN, 0};
        ASSERT_EQ(::poll(&p, 1, 5000), 1);
        char got[8] = {};
        EXPECT_EQ(::read(pty.Master(), got, sizeof got), 4);
        ::close(fd);
    }
    ::unlink(link.c_str());
    ::rmdir(dir);
}

#include "emulator/LinkedPty.h"

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace emulator {

void MakeRaw(int fd) {
    termios t{};
    if (::tcgetattr(fd, &t) != 0) return;
    ::cfmakeraw(&t);
    t.c_cflag |= CLOCAL | CREAD;
    ::tcsetattr(fd, TCSANOW, &t);
}

LinkedPty::LinkedPty(std::string link) : link_(std::move(link)) {}

LinkedPty::~LinkedPty() {
    ReleaseHold();
    if (master_ >= 0) ::close(master_);
}

bool LinkedPty::Renew() {
    int master = -1, slave = -1;
    char name[256] = {};
    if (::openpty(&master, &slave, name, nullptr, nullptr) != 0) {
        error_ = std::string("no pseudo-terminal: ") + std::strerror(errno);
        return false;
    }
    ::fcntl(master, F_SETFD, FD_CLOEXEC);
    ::fcntl(slave, F_SETFD, FD_CLOEXEC);
    ::fcntl(master, F_SETFL, ::fcntl(master, F_GETFL) | O_NONBLOCK);
    MakeRaw(slave);  // the program's side, until the program sets its own
    if (!link_.empty()) {
        // A new link beside the old one, renamed over it: the link is never
        // missing, and an old link of an earlier run is replaced.
        const std::string fresh = link_ + ".new";
        ::unlink(fresh.c_str());
        if (::symlink(name, fresh.c_str()) != 0 || ::rename(fresh.c_str(), link_.c_str()) != 0) {
            error_ = "cannot link " + link_ + ": " + std::strerror(errno);
            ::unlink(fresh.c_str());
            ::close(slave);
            ::close(master);
            return false;
        }
    }
    ReleaseHold();
    if (master_ >= 0) ::close(master_);
    master_ = master;
    hold_ = slave;
    slavePath_ = name;
    error_.clear();
    return true;
}

void LinkedPty::Drop() {
    if (!link_.empty()) ::unlink(link_.c_str());
    ReleaseHold();
    if (master_ >= 0) ::close(master_);
    master_ = -1;
}

void LinkedPty::ReleaseHold() {
    if (hold_ >= 0) ::close(hold_);
    hold_ = -1;
}

int LinkedPty::TakeHold() {
    if (hold_ >= 0) return 0;
    const int fd = ::open(slavePath_.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return -errno;
    hold_ = fd;
    return 0;
}

bool LinkedPty::Exclusive() const {
    int exclusive = 0;
    return hold_ >= 0 && ::ioctl(hold_, TIOCGEXCL, &exclusive) == 0 && exclusive != 0;
}

bool LinkedPty::MasterHungUp() const {
    pollfd p{master_, POLLIN, 0};
    return master_ >= 0 && ::poll(&p, 1, 0) == 1 && (p.revents & POLLHUP);
}

}  // namespace emulator

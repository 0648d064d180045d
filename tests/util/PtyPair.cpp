#include "tests/util/PtyPair.h"

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <stdexcept>

#include "commission/WriteAll.h"

namespace testutil {

PtyPair::PtyPair() {
    int slave = -1;
    char name[256] = {};
    if (openpty(&master_, &slave, name, nullptr, nullptr) != 0)
        throw std::runtime_error(std::string("openpty: ") + std::strerror(errno));
    // Raw on both sides so that bytes pass unchanged.
    termios t{};
    tcgetattr(slave, &t);
    cfmakeraw(&t);
    tcsetattr(slave, TCSANOW, &t);
    fcntl(master_, F_SETFD, FD_CLOEXEC);
    fcntl(slave, F_SETFD, FD_CLOEXEC);
    fcntl(master_, F_SETFL, fcntl(master_, F_GETFL) | O_NONBLOCK);
    slaveKeepAlive_ = slave;
    slavePath_ = name;
}

PtyPair::~PtyPair() {
    if (master_ >= 0) ::close(master_);
    if (slaveKeepAlive_ >= 0) ::close(slaveKeepAlive_);
}

void PtyPair::write(const std::string& bytes) const {
    if (!commission::WriteAll(master_, bytes))
        throw std::runtime_error(std::string("pty write: ") + std::strerror(errno));
}

void PtyPair::write(const std::vector<std::uint8_t>& bytes) const {
    write(std::string(bytes.begin(), bytes.end()));
}

std::string PtyPair::readAtLeast(std::size_t count, std::chrono::milliseconds limit) const {
    std::string out;
    auto deadline = std::chrono::steady_clock::now() + limit;
    char buf[4096];
    while (out.size() < count) {
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) break;
        pollfd p{master_, POLLIN, 0};
        if (::poll(&p, 1, static_cast<int>(left.count())) <= 0) continue;
        ssize_t n = ::read(master_, buf, sizeof buf);
        if (n > 0) out.append(buf, static_cast<std::size_t>(n));
        else if (n == 0 || (errno != EAGAIN && errno != EINTR)) break;
    }
    return out;
}

std::string PtyPair::readUntilQuiet(std::chrono::milliseconds quiet) const {
    std::string out;
    char buf[4096];
    for (;;) {
        pollfd p{master_, POLLIN, 0};
        if (::poll(&p, 1, static_cast<int>(quiet.count())) <= 0) break;
        ssize_t n = ::read(master_, buf, sizeof buf);
        if (n > 0) out.append(buf, static_cast<std::size_t>(n));
        else if (n == 0 || (errno != EAGAIN && errno != EINTR)) break;
    }
    return out;
}

void PtyPair::closeMaster() {
    if (master_ >= 0) ::close(master_);
    master_ = -1;
}

}  // namespace testutil

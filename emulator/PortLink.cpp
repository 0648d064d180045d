#include "emulator/PortLink.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <stdexcept>

#include "links/EmulatorLink.h"

namespace emulator {

std::string LinkPath(const std::string& asked, const std::string& device) {
    if (!asked.empty() || !device.empty()) return asked;
    return links::DefaultEmulatorLink();
}

std::optional<std::string> LinkRefusal(const std::string& link) {
    if (link.empty() || links::InspectEmulatorLink(link) != links::LinkState::Foreign) return std::nullopt;
    return link + " exists and was not made by this emulator; it is left alone. "
                  "Remove it if it is yours, or choose another path with --link.";
}

LinkClaim::LinkClaim(const std::string& link) : lockPath_(link + ".lock") {
    fd_ = ::open(lockPath_.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd_ < 0) throw std::runtime_error("cannot claim " + link + ": " + lockPath_ + ": " + std::strerror(errno));
    if (::flock(fd_, LOCK_EX | LOCK_NB) != 0) {
        char text[32] = {};
        const ssize_t n = ::pread(fd_, text, sizeof text - 1, 0);
        ::close(fd_);
        fd_ = -1;
        const std::string pid = n > 0 ? std::string(text, static_cast<std::size_t>(n)) : std::string("unknown");
        throw std::runtime_error(link + " is the link of the emulator running as process " + pid +
                                 "; it is left alone. Stop that one, or choose another path with --link.");
    }
    const std::string pid = std::to_string(::getpid());
    if (::ftruncate(fd_, 0) != 0 || ::pwrite(fd_, pid.data(), pid.size(), 0) != static_cast<ssize_t>(pid.size()))
        throw std::runtime_error("cannot claim " + link + ": " + lockPath_ + ": " + std::strerror(errno));
}

LinkClaim::~LinkClaim() {
    if (fd_ < 0) return;
    ::unlink(lockPath_.c_str());  // still locked: a newcomer waits on the fresh file
    ::close(fd_);
}

void RemoveLinkIfOurs(const std::string& link, const std::string& port) {
    char target[4096];
    const ssize_t n = ::readlink(link.c_str(), target, sizeof target - 1);
    if (n > 0 && std::string(target, static_cast<std::size_t>(n)) == port) ::unlink(link.c_str());
}

}  // namespace emulator

#include "PortLink.h"

#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "EmulatorLink.h"

namespace emulator {

PortLink::PortLink(std::string link, std::string target) : link_(std::move(link)), target_(std::move(target)) {
    using protocol::LinkState;
    switch (protocol::InspectEmulatorLink(link_)) {
    case LinkState::Foreign:
        throw std::runtime_error(link_ + " exists and was not made by this emulator; it is left alone. "
                                 "Remove it if it is yours, or choose another path with --link.");
    case LinkState::Own:
        ::unlink(link_.c_str());  // left by an earlier run
        break;
    case LinkState::Absent:
        break;
    }
    // symlink() never follows nor replaces what is there: if anything took
    // the path meanwhile, this fails.
    if (::symlink(target_.c_str(), link_.c_str()) != 0)
        throw std::runtime_error("cannot link " + link_ + ": " + std::strerror(errno));
}

PortLink::~PortLink() {
    char current[4096];
    const ssize_t n = ::readlink(link_.c_str(), current, sizeof current - 1);
    if (n > 0 && protocol::InspectEmulatorLink(link_) == protocol::LinkState::Own &&
        std::string(current, static_cast<std::size_t>(n)) == target_)
        ::unlink(link_.c_str());
}

}  // namespace emulator

#pragma once
// The symbolic link the emulator makes to its port, removed again when the
// emulator ends. A path that holds anything but a link of this user's into
// /dev is never followed, replaced or removed.

#include <stdexcept>
#include <string>

namespace emulator {

class PortLink {
public:
    // Makes `link` point at `target`; replaces an earlier link of the user's
    // own (one left by an emulator that was killed). Throws std::runtime_error
    // with a message for a person when the path is taken by something else or
    // the link cannot be made.
    PortLink(std::string link, std::string target);
    ~PortLink();  // removes the link while it still points at the target
    PortLink(const PortLink&) = delete;
    PortLink& operator=(const PortLink&) = delete;

    const std::string& path() const { return link_; }

private:
    std::string link_, target_;
};

}  // namespace emulator

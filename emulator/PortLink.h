#pragma once
// The symbolic link the emulator makes to its port: where it goes, and when
// a path must be left alone. Only a link of the user's own into /dev (one an
// earlier emulator made) may be replaced; anything else at the path is never
// followed, replaced or removed.

#include <optional>
#include <string>

namespace emulator {

// The link to make: the one asked for, else the default one on a
// pseudo-terminal (links::DefaultEmulatorLink), none on a serial device.
std::string LinkPath(const std::string& asked, const std::string& device);

// Why the emulator must not make its link at `link`, for a person; nothing
// when the path is free or holds an earlier emulator's link (or is empty).
std::optional<std::string> LinkRefusal(const std::string& link);

// The link belongs to the emulator that made it for as long as that one
// runs: a lock file beside it ("<link>.lock") is held locked and names the
// owner's process id. Released and removed when the claim ends.
class LinkClaim {
public:
    // Throws std::runtime_error naming the running owner's process id when
    // another emulator holds the link.
    explicit LinkClaim(const std::string& link);
    ~LinkClaim();
    LinkClaim(const LinkClaim&) = delete;
    LinkClaim& operator=(const LinkClaim&) = delete;

private:
    std::string lockPath_;
    int fd_ = -1;
};

// Removes `link` only while it still points at `port`: a link another
// emulator made since is left alone.
void RemoveLinkIfOurs(const std::string& link, const std::string& port);

}  // namespace emulator

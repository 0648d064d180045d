#pragma once
// The symbolic link the emulator makes to its port: where it goes, and when
// a path must be left alone. Only a link of the user's own into /dev (one an
// earlier emulator made) may be replaced; anything else at the path is never
// followed, replaced or removed.

#include <optional>
#include <string>

namespace emulator {

// The link to make: the one asked for, else the default one on a
// pseudo-terminal (protocol::DefaultEmulatorLink), none on a serial device.
std::string LinkPath(const std::string& asked, const std::string& device);

// Why the emulator must not make its link at `link`, for a person; nothing
// when the path is free or holds an earlier emulator's link (or is empty).
std::optional<std::string> LinkRefusal(const std::string& link);

}  // namespace emulator

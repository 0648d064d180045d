#pragma once
// Where the converter emulator links its port by default, and how a link
// there is told apart from one somebody else put in its place. Shared by the
// emulator, which makes the link, and the window's port list, which offers it.

#include <string>

namespace links {

// "$XDG_RUNTIME_DIR/tq410k-emulator" when that folder is the user's own and
// closed to others; else "/tmp/tq410k-emulator-<user name or uid>".
std::string DefaultEmulatorLink();

// What lies at a link path, judged without following it.
enum class LinkState {
    Absent,  // nothing there
    Own,     // a symbolic link of this user's into /dev: what the emulator makes
    Foreign  // anything else: another user's, a file, a link elsewhere
};
LinkState InspectEmulatorLink(const std::string& path);

// True when path is the user's own emulator link and its pseudo-terminal
// still exists: an emulator is running there.
bool EmulatorLinkIsLive(const std::string& path);

}  // namespace links

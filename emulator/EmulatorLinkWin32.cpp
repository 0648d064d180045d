// No pseudo-terminals on Windows: the emulator answers on a COM port and
// makes no link, so the window's port list offers none.
#include "emulator/EmulatorLink.h"

namespace protocol {

std::string DefaultEmulatorLink() { return {}; }

LinkState InspectEmulatorLink(const std::string&) { return LinkState::Absent; }

bool EmulatorLinkIsLive(const std::string&) { return false; }

}  // namespace protocol

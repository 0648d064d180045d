#include "emulator/PortLink.h"

#include "emulator/EmulatorLink.h"

namespace emulator {

std::string LinkPath(const std::string& asked, const std::string& device) {
    if (!asked.empty() || !device.empty()) return asked;
    return protocol::DefaultEmulatorLink();
}

std::optional<std::string> LinkRefusal(const std::string& link) {
    if (link.empty() || protocol::InspectEmulatorLink(link) != protocol::LinkState::Foreign) return std::nullopt;
    return link + " exists and was not made by this emulator; it is left alone. "
                  "Remove it if it is yours, or choose another path with --link.";
}

}  // namespace emulator

#include "console/window/DeviceGroup.h"

namespace console {

// Windows grants access to a port by no group: nothing to name.
std::string DeviceOwnerGroup(const std::string&) { return {}; }

}  // namespace console

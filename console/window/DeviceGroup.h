#pragma once
// The name of the group that owns a device, for the hint after "Permission
// denied"; empty when it cannot be told. Each platform in its own file
// (DeviceGroupPosix.cpp, DeviceGroupWin32.cpp).

#include <string>

namespace console {

std::string DeviceOwnerGroup(const std::string& devicePath);

}  // namespace console

#pragma once
// The device a port name stands for (PortName.cpp on Linux, PortNameWin32.cpp
// on Windows).

#include <string>

namespace serial {

// Maps a port name to a device path. Linux: "COMn" -> /dev/ttyS(n-1); a name
// holding "/" is used as typed; a bare name ("ttyUSB0") is looked up under
// /dev. Windows: "COM1".."COM256" -> \\.\COMn; any other name as typed.
std::string DevicePathForPortName(const std::string& name);

// How a device path is shown: Linux as it is; Windows "\\.\COMn" as "COMn",
// the name Device Manager and the port list use.
std::string ShownDeviceName(const std::string& devicePath);

}  // namespace serial

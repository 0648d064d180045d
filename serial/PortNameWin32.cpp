#include <cctype>
#include <string>

#include "serial/PortName.h"

namespace serial {

// "COM1" ... "COM256" (any case) name the device \\.\COMn, which ports above
// COM9 need; any other name is used as typed.
std::string DevicePathForPortName(const std::string& name) {
    if (name.size() > 3 && name.size() <= 6 && (name[0] == 'C' || name[0] == 'c') &&
        (name[1] == 'O' || name[1] == 'o') && (name[2] == 'M' || name[2] == 'm')) {
        bool digits = name[3] != '0';
        for (std::size_t i = 3; i < name.size() && digits; ++i)
            digits = std::isdigit(static_cast<unsigned char>(name[i])) != 0;
        if (digits) {
            const int n = std::stoi(name.substr(3));
            if (n >= 1 && n <= 256) return "\\\\.\\COM" + std::to_string(n);
        }
    }
    return name;
}

std::string ShownDeviceName(const std::string& devicePath) {
    const std::string prefix = "\\\\.\\";
    if (devicePath.rfind(prefix, 0) == 0) {
        const std::string name = devicePath.substr(prefix.size());
        if (DevicePathForPortName(name) == devicePath) return name;
    }
    return devicePath;
}

}  // namespace serial

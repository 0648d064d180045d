#include <cctype>
#include <string>

#include "serial/PortName.h"

namespace serial {

std::string DevicePathForPortName(const std::string& name) {
    if (name.find('/') != std::string::npos) return name;
    // "COMn" (any case) with n a positive number names the n-th standard port.
    if (name.size() > 3 && (name[0] == 'C' || name[0] == 'c') && (name[1] == 'O' || name[1] == 'o') &&
        (name[2] == 'M' || name[2] == 'm')) {
        bool digits = name.size() <= 6;
        for (std::size_t i = 3; i < name.size() && digits; ++i)
            digits = std::isdigit(static_cast<unsigned char>(name[i])) != 0;
        if (digits) {
            int n = std::stoi(name.substr(3));
            if (n >= 1) return "/dev/ttyS" + std::to_string(n - 1);
        }
    }
    return "/dev/" + name;
}

std::string ShownDeviceName(const std::string& devicePath) { return devicePath; }

}  // namespace serial

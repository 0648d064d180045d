#include <gtest/gtest.h>

#include "serial/PortName.h"

TEST(PortName, ComNamesAndNamesAsTyped) {
    const std::pair<const char*, const char*> cases[] = {
        {"COM1", "\\\\.\\COM1"},     {"COM12", "\\\\.\\COM12"},   {"com3", "\\\\.\\COM3"},
        {"COM256", "\\\\.\\COM256"}, {"COM257", "COM257"},        {"COM0", "COM0"},
        {"COM01", "COM01"},          {"COMX", "COMX"},            {"\\\\.\\COM7", "\\\\.\\COM7"},
        {"C:\\file", "C:\\file"},
    };
    for (const auto& [name, path] : cases) EXPECT_EQ(serial::DevicePathForPortName(name), path) << name;
}

TEST(PortName, ComDevicesAreShownByTheirPortNames) {
    const std::pair<const char*, const char*> cases[] = {
        {"\\\\.\\COM5", "COM5"}, {"\\\\.\\COM256", "COM256"}, {"\\\\.\\COM01", "\\\\.\\COM01"},
        {"\\\\.\\pipe\\x", "\\\\.\\pipe\\x"}, {"C:\\file", "C:\\file"},
    };
    for (const auto& [path, shown] : cases) EXPECT_EQ(serial::ShownDeviceName(path), shown) << path;
}

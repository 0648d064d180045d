#include <gtest/gtest.h>

#include "serial/PortName.h"

TEST(PortName, ComNamesPathsAndBareDeviceNames) {
    const std::pair<const char*, const char*> cases[] = {
        {"COM1", "/dev/ttyS0"},          {"COM12", "/dev/ttyS11"},       {"com3", "/dev/ttyS2"},
        {"ttyUSB0", "/dev/ttyUSB0"},     {"/dev/pts/7", "/dev/pts/7"},   {"./link", "./link"},
        {"COM0", "/dev/COM0"},           {"COMX", "/dev/COMX"},          {"COM", "/dev/COM"},
        {"COM1234567", "/dev/COM1234567"},
    };
    for (const auto& [name, path] : cases) EXPECT_EQ(serial::DevicePathForPortName(name), path) << name;
}

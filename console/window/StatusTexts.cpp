#include "console/window/StatusTexts.h"

#include <array>
#include <cstdio>
#include <utility>

#include "console/window/DeviceGroup.h"
#include "serial/PortName.h"

namespace console {

namespace {

std::string JoinFlags(std::uint32_t bits, const auto& names) {
    std::string text;
    for (const auto& [bit, name] : names) {
        if (!(bits & bit)) continue;
        if (!text.empty()) text += ", ";
        text += name;
        bits &= ~bit;
    }
    if (bits) {
        char rest[16];
        std::snprintf(rest, sizeof rest, "0x%x", bits);
        if (!text.empty()) text += ", ";
        text += rest;
    }
    return text;
}

}  // namespace

std::string DescribeLineState(const std::string& devicePath, const serial::TLineState& state) {
    return serial::ShownDeviceName(devicePath) + " " + std::to_string(state.BaudRate) + " " +
           std::to_string(state.DataBits) + state.Parity + std::to_string(state.StopBits);
}

std::string DescribeLineErrors(std::uint32_t errors) {
    static const std::array<std::pair<std::uint32_t, const char*>, 5> names{{
        {0x08, "framing"},
        {0x04, "parity"},
        {0x02, "overrun"},
        {0x01, "receive queue overflow"},
        {0x10, "break"},
    }};
    return "Line error: " + (errors ? JoinFlags(errors, names) : std::string("none reported"));
}

std::string DescribeModemEvent(std::uint32_t modemEvent) {
    static const std::array<std::pair<std::uint32_t, const char*>, 2> names{{
        {8, "carrier detect changed"},
        {4, "ring"},
    }};
    return "Modem lines: " + (modemEvent ? JoinFlags(modemEvent, names) : std::string("no change"));
}

std::string DescribeTraffic(std::uint64_t sent, std::uint64_t received) {
    return "Sent " + std::to_string(sent) + " bytes, received " + std::to_string(received) + " bytes";
}

std::string DescribeOpenFailure(const std::string& reason, const std::string& devicePath) {
    if (reason != "Permission denied") return reason;
    const std::string owner = DeviceOwnerGroup(devicePath);
    if (owner.empty())
        return reason + ". To get access, become a member of the group that owns " + devicePath +
               ", then log out and log in again.";
    return reason + ". To get access, become a member of the group \"" + owner + "\" that owns " +
           devicePath + " (for example: sudo usermod -aG " + owner +
           " $USER), then log out and log in again.";
}

}  // namespace console

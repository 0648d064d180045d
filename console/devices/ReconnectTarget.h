#pragma once
// Which device a lost port waits for, and under which name to open it again
// when it returns. Plain C++.

#include <optional>
#include <string>
#include <vector>

namespace console {

// The settings of an open, as the port group held them.
struct PortSettings {
    std::string name;  // as typed: "COM3", "/dev/ttyUSB0", a link
    std::string baud;  // as typed
    int parity = 0;    // item of the parity box
    int stopBits = 0;  // item of the stop-bits box
    bool dtr = true;
    bool rts = true;
};

class ReconnectTarget {
public:
    // `devicePath` is the path the name resolved to; for a device node, its
    // names in `byIdFolder` (the same adapter under any ttyUSB number) are
    // looked up now, while it is still there.
    ReconnectTarget(PortSettings settings, std::string devicePath,
                    const std::string& byIdFolder = "/dev/serial/by-id");

    const PortSettings& Settings() const { return settings_; }
    const std::string& DevicePath() const { return devicePath_; }
    const std::vector<std::string>& ByIdNames() const { return byIdNames_; }

    // For a device that appeared as `node` with `links`: the name to open, or
    // nothing when it is another device. The same path (as node or link) is
    // opened by the name as typed; the same adapter under another node by
    // that node.
    std::optional<std::string> NameToOpen(const std::string& node, const std::vector<std::string>& links) const;

private:
    PortSettings settings_;
    std::string devicePath_;
    std::vector<std::string> byIdNames_;
};

// "Reconnected: /dev/ttyUSB0 9600 8N1 after 4.2 s"
std::string DescribeReconnected(const std::string& lineState, double seconds);

}  // namespace console

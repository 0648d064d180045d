#pragma once
// Serial devices coming and going, as the system's device manager (udev)
// announces them. Plain C++; the device watcher reads a source of these
// events whenever its descriptor is readable.

#include <memory>
#include <string>
#include <vector>

namespace console {

struct DeviceEvent {
    bool added = false;               // added, else removed
    std::string node;                 // "/dev/ttyUSB0"
    std::vector<std::string> links;   // "/dev/serial/by-id/usb-FTDI_…-if00-port0", …
};

class DeviceEventSource {
public:
    virtual ~DeviceEventSource() = default;
    // Readable while events wait.
    virtual int Fd() const = 0;
    // Every event waiting now; empty when none.
    virtual std::vector<DeviceEvent> Read() = 0;
};

// The tty devices udev announces; null when udev's monitor cannot be opened.
std::unique_ptr<DeviceEventSource> OpenUdevMonitor();

}  // namespace console

// udev's monitor of tty devices: events arrive after udev's rules ran, so a
// device announced as added already has its permissions and its by-id link.

#include <libudev.h>

#include "console/devices/DeviceEvents.h"

namespace console {

namespace {

struct UdevDeleter {
    void operator()(udev* u) const { udev_unref(u); }
    void operator()(udev_monitor* m) const { udev_monitor_unref(m); }
    void operator()(udev_device* d) const { udev_device_unref(d); }
};
template <class T>
using UdevPtr = std::unique_ptr<T, UdevDeleter>;

class UdevMonitor : public DeviceEventSource {
public:
    UdevMonitor(UdevPtr<udev> context, UdevPtr<udev_monitor> monitor)
        : context_(std::move(context)), monitor_(std::move(monitor)) {}

    int Fd() const override { return udev_monitor_get_fd(monitor_.get()); }

    std::vector<DeviceEvent> Read() override {
        std::vector<DeviceEvent> events;
        // The monitor's descriptor is non-blocking: null once nothing waits.
        while (UdevPtr<udev_device> device{udev_monitor_receive_device(monitor_.get())}) {
            const char* action = udev_device_get_action(device.get());
            const char* node = udev_device_get_devnode(device.get());
            if (!action || !node) continue;
            const std::string act = action;
            if (act != "add" && act != "remove") continue;
            DeviceEvent event{.added = act == "add", .node = node, .links = {}};
            for (auto* link = udev_device_get_devlinks_list_entry(device.get()); link;
                 link = udev_list_entry_get_next(link))
                event.links.emplace_back(udev_list_entry_get_name(link));
            events.push_back(std::move(event));
        }
        return events;
    }

private:
    UdevPtr<udev> context_;
    UdevPtr<udev_monitor> monitor_;
};

}  // namespace

std::unique_ptr<DeviceEventSource> OpenUdevMonitor() {
    UdevPtr<udev> context{udev_new()};
    if (!context) return nullptr;
    UdevPtr<udev_monitor> monitor{udev_monitor_new_from_netlink(context.get(), "udev")};
    if (!monitor) return nullptr;
    if (udev_monitor_filter_add_match_subsystem_devtype(monitor.get(), "tty", nullptr) < 0 ||
        udev_monitor_enable_receiving(monitor.get()) < 0)
        return nullptr;
    return std::make_unique<UdevMonitor>(std::move(context), std::move(monitor));
}

}  // namespace console

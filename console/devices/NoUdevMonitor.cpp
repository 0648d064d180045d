// Built where libudev is absent: no device announcements. The watcher then
// reports only the files it watches, and reconnect waits for those.
#include "console/devices/DeviceEvents.h"

namespace console {

std::unique_ptr<DeviceEventSource> OpenUdevMonitor() { return nullptr; }

}  // namespace console

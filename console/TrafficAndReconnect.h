#pragma once
// The traffic log and reconnect, added beside the window: the "Traffic…"
// button and the "Reconnect" box in the action strip, the recorder of what
// passes, the device watcher, and the port list following the devices.

namespace console {

class DeviceWatcher;
class TForm1;
class TPortComboBox;

void AddTrafficLogAndReconnect(TForm1& form);

// While the box's list is open, refreshes it whenever a device appears or goes.
void FollowDevices(TPortComboBox& box, DeviceWatcher& watcher);

}  // namespace console

#pragma once
// The console assembled: the window, and beside it the features it does not
// build itself: read all, write all, verify and profiles; the traffic log;
// device watching and reconnect. Used by the program and the window tests.

#include <memory>

namespace console {

class DeviceWatcher;
class TForm1;
class TPortComboBox;

// A new window with every feature added.
std::unique_ptr<TForm1> MakeConsole();

// While the box's list is open, refreshes it whenever a device appears or goes.
void FollowDevices(TPortComboBox& box, DeviceWatcher& watcher);

}  // namespace console

#include "console/Console.h"

#include <QAbstractItemView>
#include <QCheckBox>
#include <QPushButton>

#include "console/commissioning/BatchPanel.h"
#include "console/commissioning/CommissionActions.h"
#include "console/commissioning/FindDialog.h"
#include "console/devices/DeviceWatcher.h"
#include "console/window/Form1.h"
#include "console/window/PortComboBox.h"
#include "console/window/SequenceRunner.h"
#include "console/devices/Reconnect.h"
#include "console/traffic/TrafficRecorder.h"
#include "console/traffic/TrafficWindow.h"

namespace console {

namespace {

// The "Traffic…" button and the "Reconnect" box in the action strip, the
// recorder of what passes, the device watcher, and the port list following
// the devices.
void AddTrafficLogAndReconnect(TForm1& form) {
    auto* recorder = new TrafficRecorder(form);
    recorder->setObjectName("TrafficRecorder");

    auto* traffic = new QPushButton("Traffic…");
    traffic->setObjectName("TrafficButton");
    traffic->setToolTip("Every command sent and every block received, with times");
    form.AddToActionStrip(traffic);
    QObject::connect(traffic, &QPushButton::clicked, recorder, [&form, recorder] {
        auto* window = form.findChild<TrafficWindow*>();
        if (!window) window = new TrafficWindow(recorder->Log(), &form);
        window->show();
        window->raise();
        window->activateWindow();
    });

    auto* watcher = new DeviceWatcher(OpenUdevMonitor(), &form);
    watcher->setObjectName("DeviceWatcher");

    auto* reconnect = new QCheckBox("Reconnect");
    reconnect->setObjectName("ReconnectCheck");
    reconnect->setToolTip("When the port is lost, open it again as soon as its device returns");
    form.AddToActionStrip(reconnect);
    new Reconnect(form, *watcher, *reconnect, [recorder](const QString& text) { recorder->Note(text); });

    FollowDevices(form.LineSettings().port, *watcher);
}

}  // namespace

std::unique_ptr<TForm1> MakeConsole() {
    auto form = std::make_unique<TForm1>();
    // The window's one sequence slot, shared by read all, write all, verify
    // and the batch panel; the form owns it.
    form->SetRunner(*new SequenceRunner(*form, form.get()));
    // Read all, write all, verify and profiles, in the action strip; the form owns it.
    auto* actions = new CommissionActions(*form);
    // Find… beside the port group; a sequence that got no answer offers it.
    AddFindButton(*form);
    actions->SetFinder([&form = *form] { FindDialogOf(form).Start(); });
    AddBatchPanel(*form);
    AddTrafficLogAndReconnect(*form);
    return form;
}

void FollowDevices(TPortComboBox& box, DeviceWatcher& watcher) {
    auto refresh = [&box] {
        if (box.view()->isVisible()) box.RefreshDevices();
    };
    QObject::connect(&watcher, &DeviceWatcher::Appeared, &box, refresh);
    QObject::connect(&watcher, &DeviceWatcher::Gone, &box, refresh);
    QObject::connect(&box, &TPortComboBox::ListOpen, &watcher, &DeviceWatcher::SetListOpen);
}

}  // namespace console

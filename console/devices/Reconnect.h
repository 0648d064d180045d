#pragma once
// Reconnect: when the "Reconnect" box is ticked and the open port is lost,
// waits for the same device to return and opens it again with the settings
// of the lost open. Never after the user closed the port; one attempt each
// time the device appears; a refused open ends the waiting with the usual box.

#include <chrono>
#include <functional>
#include <optional>

#include <QObject>
#include <QString>
#include <QStringList>

#include "console/devices/ReconnectTarget.h"

class QCheckBox;

namespace console {

class DeviceWatcher;
class TForm1;

class Reconnect : public QObject {
    Q_OBJECT
public:
    // `note` tells the traffic log what happened.
    Reconnect(TForm1& form, DeviceWatcher& watcher, QCheckBox& enabled, std::function<void(const QString&)> note);

    bool Waiting() const { return waitingSince_.has_value(); }

signals:
    // The port is open again (after the window's PortOpened).
    void Reconnected();

private:
    void PortOpened();
    void PortLost();
    void DeviceAppeared(const QString& node, const QStringList& links);
    void StopWaiting(const QString& why);
    void Reopen(const std::string& name);
    PortSettings ReadPortGroup() const;
    void WritePortGroup(const PortSettings& settings) const;
    void Say(const QString& text, bool lasting);

    TForm1& form_;
    DeviceWatcher& watcher_;
    QCheckBox& enabled_;
    std::function<void(const QString&)> note_;
    std::optional<ReconnectTarget> lastOpen_;
    std::optional<std::chrono::steady_clock::time_point> waitingSince_;
    QString watchedFile_;
};

}  // namespace console

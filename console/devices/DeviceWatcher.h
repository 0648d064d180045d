#pragma once
// Watches serial devices come and go: udev's announcements for devices under
// /dev, and a file watch for paths udev does not know (a link to an
// emulator's pseudo-terminal). Costs nothing while nothing happens. It only
// reports; its users decide what to do.

#include <map>
#include <memory>

#include <QObject>
#include <QString>
#include <QStringList>

#include "console/devices/DeviceEvents.h"

class QSocketNotifier;

namespace console {

class DeviceWatcher : public QObject {
    Q_OBJECT
public:
    // `devices` may be null (no udev): then only watched files are reported.
    DeviceWatcher(std::unique_ptr<DeviceEventSource> devices, QObject* parent);
    ~DeviceWatcher() override;

    // Paths under /dev are udev's to announce; any other path is watched as a file.
    static bool IsDevicePath(const QString& path);

    // Reports `path` (outside /dev) appearing, going, or being replaced by
    // another file of the same name (inotify on its folder: each change is
    // reported, however quickly the next follows). Watching a path twice
    // watches it once.
    void WatchFile(const QString& path);
    void UnwatchFile(const QString& path);

signals:
    // `node` is the device node or the watched file; `links` the device's
    // other names (/dev/serial/by-id/…), empty for a watched file.
    void Appeared(const QString& node, const QStringList& links);
    void Gone(const QString& node, const QStringList& links);

private:
    void ReadDeviceEvents();
    void ReadFileEvents();

    std::unique_ptr<DeviceEventSource> devices_;
    std::unique_ptr<QSocketNotifier> notifier_;
    int inotify_ = -1;
    std::unique_ptr<QSocketNotifier> fileNotifier_;
    std::map<int, QString> folders_;      // inotify watch → folder
    std::map<QString, QString> watched_;  // folder/name → the path as given
};

}  // namespace console

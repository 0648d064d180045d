#pragma once
// Watches serial devices come and go. On Linux: udev's announcements for
// devices under /dev, and a file watch for paths udev does not know (a link to
// an emulator's pseudo-terminal); costs nothing while nothing happens
// (DeviceWatcherPosix.cpp). On Windows: the COM ports present and the watched
// names, polled only while the port list is open or a name is watched
// (DeviceWatcherWin32.cpp). It only reports; its users decide what to do.

#include <memory>

#include <QObject>
#include <QString>
#include <QStringList>

#include "console/devices/DeviceEvents.h"

namespace console {

class DeviceWatcher : public QObject {
    Q_OBJECT
public:
    // `devices` may be null (no udev): then only watched files are reported.
    DeviceWatcher(std::unique_ptr<DeviceEventSource> devices, QObject* parent);
    ~DeviceWatcher() override;

    // Paths under /dev are udev's to announce; any other path is watched as a
    // file. On Windows every name is watched ("COM5" by the COM ports present).
    static bool IsDevicePath(const QString& path);

    // While the port list is open its items follow the devices: on Windows the
    // COM ports are polled meanwhile; udev announces them anyway.
    void SetListOpen(bool open);

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
    struct Platform;  // each platform's own watch, in its own file
    std::unique_ptr<Platform> platform_;
};

}  // namespace console

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

#include <sys/types.h>

#include "DeviceEvents.h"

class QFileSystemWatcher;
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
    // another file of the same name. Watching a path twice watches it once.
    void WatchFile(const QString& path);
    void UnwatchFile(const QString& path);

signals:
    // `node` is the device node or the watched file; `links` the device's
    // other names (/dev/serial/by-id/…), empty for a watched file.
    void Appeared(const QString& node, const QStringList& links);
    void Gone(const QString& node, const QStringList& links);

private:
    struct FileState {
        bool exists = false;
        dev_t device = 0;
        ino_t inode = 0;
    };
    static FileState Look(const QString& path);
    void ReadDeviceEvents();
    void FolderChanged(const QString& folder);

    std::unique_ptr<DeviceEventSource> devices_;
    std::unique_ptr<QSocketNotifier> notifier_;
    QFileSystemWatcher* files_ = nullptr;
    std::map<QString, FileState> watched_;
};

}  // namespace console

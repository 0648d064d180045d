#include "console/devices/DeviceWatcher.h"

#include <sys/inotify.h>
#include <unistd.h>

#include <map>
#include <vector>

#include <QFile>
#include <QFileInfo>
#include <QSocketNotifier>

namespace console {

namespace {

QString FromLocal(const std::string& text) { return QFile::decodeName(QByteArray::fromStdString(text)); }

}  // namespace

struct DeviceWatcher::Platform {
    Platform(DeviceWatcher& watcher, std::unique_ptr<DeviceEventSource> source)
        : owner(watcher), devices(std::move(source)) {}
    Platform(const Platform&) = delete;
    Platform& operator=(const Platform&) = delete;

    DeviceWatcher& owner;
    std::unique_ptr<DeviceEventSource> devices;
    std::unique_ptr<QSocketNotifier> notifier;
    int inotify = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    std::unique_ptr<QSocketNotifier> fileNotifier;
    std::map<int, QString> folders;      // inotify watch → folder
    std::map<QString, QString> watched;  // folder/name → the path as given

    ~Platform() {
        fileNotifier.reset();
        if (inotify >= 0) ::close(inotify);
    }
    void ReadDeviceEvents();
    void ReadFileEvents();
};

DeviceWatcher::DeviceWatcher(std::unique_ptr<DeviceEventSource> devices, QObject* parent)
    : QObject(parent), platform_(std::make_unique<Platform>(*this, std::move(devices))) {
    auto& p = *platform_;
    if (p.devices) {
        p.notifier = std::make_unique<QSocketNotifier>(p.devices->Fd(), QSocketNotifier::Read);
        connect(p.notifier.get(), &QSocketNotifier::activated, this, [&p] { p.ReadDeviceEvents(); });
    }
    if (p.inotify >= 0) {
        p.fileNotifier = std::make_unique<QSocketNotifier>(p.inotify, QSocketNotifier::Read);
        connect(p.fileNotifier.get(), &QSocketNotifier::activated, this, [&p] { p.ReadFileEvents(); });
    }
}

DeviceWatcher::~DeviceWatcher() = default;

bool DeviceWatcher::IsDevicePath(const QString& path) { return path.startsWith("/dev/"); }

void DeviceWatcher::SetListOpen(bool) {}

void DeviceWatcher::WatchFile(const QString& path) {
    auto& p = *platform_;
    const QFileInfo info(path);
    const QString key = info.absoluteFilePath();
    if (p.inotify < 0 || p.watched.count(key)) return;
    const int wd = ::inotify_add_watch(p.inotify, QFile::encodeName(info.absolutePath()).constData(),
                                       IN_CREATE | IN_DELETE | IN_MOVED_FROM | IN_MOVED_TO);
    if (wd < 0) return;  // no such folder: nothing can appear in it
    p.folders[wd] = info.absolutePath();
    p.watched[key] = path;
}

void DeviceWatcher::UnwatchFile(const QString& path) {
    auto& p = *platform_;
    const QFileInfo info(path);
    if (!p.watched.erase(info.absoluteFilePath())) return;
    for (const auto& [key, other] : p.watched)
        if (QFileInfo(key).absolutePath() == info.absolutePath()) return;
    for (auto it = p.folders.begin(); it != p.folders.end(); ++it)
        if (it->second == info.absolutePath()) {
            ::inotify_rm_watch(p.inotify, it->first);
            p.folders.erase(it);
            return;
        }
}

void DeviceWatcher::Platform::ReadDeviceEvents() {
    for (const auto& event : devices->Read()) {
        QStringList links;
        for (const auto& link : event.links) links << FromLocal(link);
        if (event.added)
            emit owner.Appeared(FromLocal(event.node), links);
        else
            emit owner.Gone(FromLocal(event.node), links);
    }
}

void DeviceWatcher::Platform::ReadFileEvents() {
    // Collected first: a receiver may watch or unwatch paths.
    std::vector<std::pair<QString, bool>> changes;
    alignas(inotify_event) char buffer[4096];
    ssize_t n;
    while ((n = ::read(inotify, buffer, sizeof buffer)) > 0) {
        for (ssize_t at = 0; at < n;) {
            const auto* event = reinterpret_cast<const inotify_event*>(buffer + at);
            at += static_cast<ssize_t>(sizeof(inotify_event) + event->len);
            const auto folder = folders.find(event->wd);
            if (event->len == 0 || folder == folders.end()) continue;
            const auto path = watched.find(folder->second + '/' + QFile::decodeName(event->name));
            if (path == watched.end()) continue;
            if (event->mask & (IN_DELETE | IN_MOVED_FROM)) changes.emplace_back(path->second, false);
            if (event->mask & (IN_CREATE | IN_MOVED_TO)) changes.emplace_back(path->second, true);
        }
    }
    for (const auto& [path, appeared] : changes) {
        if (appeared)
            emit owner.Appeared(path, {});
        else
            emit owner.Gone(path, {});
    }
}

}  // namespace console

#include "console/devices/DeviceWatcher.h"

#include <sys/inotify.h>
#include <unistd.h>

#include <vector>

#include <QFile>
#include <QFileInfo>
#include <QSocketNotifier>

namespace console {

namespace {

QString FromLocal(const std::string& text) { return QFile::decodeName(QByteArray::fromStdString(text)); }

}  // namespace

DeviceWatcher::DeviceWatcher(std::unique_ptr<DeviceEventSource> devices, QObject* parent)
    : QObject(parent), devices_(std::move(devices)), inotify_(::inotify_init1(IN_NONBLOCK | IN_CLOEXEC)) {
    if (devices_) {
        notifier_ = std::make_unique<QSocketNotifier>(devices_->Fd(), QSocketNotifier::Read);
        connect(notifier_.get(), &QSocketNotifier::activated, this, &DeviceWatcher::ReadDeviceEvents);
    }
    if (inotify_ >= 0) {
        fileNotifier_ = std::make_unique<QSocketNotifier>(inotify_, QSocketNotifier::Read);
        connect(fileNotifier_.get(), &QSocketNotifier::activated, this, &DeviceWatcher::ReadFileEvents);
    }
}

DeviceWatcher::~DeviceWatcher() {
    fileNotifier_.reset();
    if (inotify_ >= 0) ::close(inotify_);
}

bool DeviceWatcher::IsDevicePath(const QString& path) { return path.startsWith("/dev/"); }

void DeviceWatcher::WatchFile(const QString& path) {
    const QFileInfo info(path);
    const QString key = info.absoluteFilePath();
    if (inotify_ < 0 || watched_.count(key)) return;
    const int wd = ::inotify_add_watch(inotify_, QFile::encodeName(info.absolutePath()).constData(),
                                       IN_CREATE | IN_DELETE | IN_MOVED_FROM | IN_MOVED_TO);
    if (wd < 0) return;  // no such folder: nothing can appear in it
    folders_[wd] = info.absolutePath();
    watched_[key] = path;
}

void DeviceWatcher::UnwatchFile(const QString& path) {
    const QFileInfo info(path);
    if (!watched_.erase(info.absoluteFilePath())) return;
    for (const auto& [key, other] : watched_)
        if (QFileInfo(key).absolutePath() == info.absolutePath()) return;
    for (auto it = folders_.begin(); it != folders_.end(); ++it)
        if (it->second == info.absolutePath()) {
            ::inotify_rm_watch(inotify_, it->first);
            folders_.erase(it);
            return;
        }
}

void DeviceWatcher::ReadDeviceEvents() {
    for (const auto& event : devices_->Read()) {
        QStringList links;
        for (const auto& link : event.links) links << FromLocal(link);
        if (event.added)
            emit Appeared(FromLocal(event.node), links);
        else
            emit Gone(FromLocal(event.node), links);
    }
}

void DeviceWatcher::ReadFileEvents() {
    // Collected first: a receiver may watch or unwatch paths.
    std::vector<std::pair<QString, bool>> changes;
    alignas(inotify_event) char buffer[4096];
    ssize_t n;
    while ((n = ::read(inotify_, buffer, sizeof buffer)) > 0) {
        for (ssize_t at = 0; at < n;) {
            const auto* event = reinterpret_cast<const inotify_event*>(buffer + at);
            at += static_cast<ssize_t>(sizeof(inotify_event) + event->len);
            const auto folder = folders_.find(event->wd);
            if (event->len == 0 || folder == folders_.end()) continue;
            const auto path = watched_.find(folder->second + '/' + QFile::decodeName(event->name));
            if (path == watched_.end()) continue;
            if (event->mask & (IN_DELETE | IN_MOVED_FROM)) changes.emplace_back(path->second, false);
            if (event->mask & (IN_CREATE | IN_MOVED_TO)) changes.emplace_back(path->second, true);
        }
    }
    for (const auto& [path, appeared] : changes) {
        if (appeared)
            emit Appeared(path, {});
        else
            emit Gone(path, {});
    }
}

}  // namespace console

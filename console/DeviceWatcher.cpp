#include "DeviceWatcher.h"

#include <sys/stat.h>

#include <QFile>
#include <QFileInfo>
#include <QFileSystemWatcher>
#include <QSocketNotifier>

namespace console {

namespace {

QString FromLocal(const std::string& text) { return QFile::decodeName(QByteArray::fromStdString(text)); }

QString FolderOf(const QString& path) { return QFileInfo(path).absolutePath(); }

}  // namespace

DeviceWatcher::DeviceWatcher(std::unique_ptr<DeviceEventSource> devices, QObject* parent)
    : QObject(parent), devices_(std::move(devices)), files_(new QFileSystemWatcher(this)) {
    if (devices_) {
        notifier_ = std::make_unique<QSocketNotifier>(devices_->Fd(), QSocketNotifier::Read);
        connect(notifier_.get(), &QSocketNotifier::activated, this, &DeviceWatcher::ReadDeviceEvents);
    }
    connect(files_, &QFileSystemWatcher::directoryChanged, this, &DeviceWatcher::FolderChanged);
}

DeviceWatcher::~DeviceWatcher() = default;

bool DeviceWatcher::IsDevicePath(const QString& path) { return path.startsWith("/dev/"); }

DeviceWatcher::FileState DeviceWatcher::Look(const QString& path) {
    // The name itself (a link is judged as the link): re-pointing a link by
    // renaming a new one over it is a new file.
    struct stat st{};
    if (::lstat(QFile::encodeName(path).constData(), &st) != 0) return {};
    return {.exists = true, .device = st.st_dev, .inode = st.st_ino};
}

void DeviceWatcher::WatchFile(const QString& path) {
    if (watched_.count(path)) return;
    watched_[path] = Look(path);
    const QString folder = FolderOf(path);
    if (!files_->directories().contains(folder)) files_->addPath(folder);
}

void DeviceWatcher::UnwatchFile(const QString& path) {
    if (!watched_.erase(path)) return;
    const QString folder = FolderOf(path);
    for (const auto& [other, state] : watched_)
        if (FolderOf(other) == folder) return;
    files_->removePath(folder);
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

void DeviceWatcher::FolderChanged(const QString& folder) {
    // Collected first: a receiver may watch or unwatch paths.
    std::vector<std::pair<QString, bool>> changes;
    for (auto& [path, state] : watched_) {
        if (FolderOf(path) != folder) continue;
        const FileState now = Look(path);
        const bool replaced = now.exists && (!state.exists || now.device != state.device || now.inode != state.inode);
        if (state.exists && !now.exists) changes.emplace_back(path, false);
        if (replaced) changes.emplace_back(path, true);
        state = now;
    }
    // A folder that was removed and made again is no longer watched by inotify.
    if (!files_->directories().contains(folder) && QFileInfo::exists(folder)) files_->addPath(folder);
    for (const auto& [path, appeared] : changes) {
        if (appeared)
            emit Appeared(path, {});
        else
            emit Gone(path, {});
    }
}

}  // namespace console

#include "console/devices/DeviceWatcher.h"

#define WIN32_LEAN_AND_MEAN
#include <windows.h>

#include <map>
#include <set>

#include <QFileInfo>
#include <QRegularExpression>
#include <QTimer>

#include "console/window/PresentPorts.h"

namespace console {

namespace {

constexpr int PollIntervalMs = 500;

// "COM5" for "COM5", "com5" or "\\.\COM5"; empty for any other name.
QString ComName(QString name) {
    if (name.startsWith(QStringLiteral("\\\\.\\"))) name = name.mid(4);
    static const QRegularExpression com(QStringLiteral("^COM[1-9][0-9]{0,2}$"), QRegularExpression::CaseInsensitiveOption);
    return com.match(name).hasMatch() ? name.toUpper() : QString();
}

// Whether a COM port of that name exists now (its device is defined), or
// whether a file stands at any other path.
bool IsPresent(const QString& name) {
    const QString com = ComName(name);
    if (com.isEmpty()) return QFileInfo::exists(name);
    wchar_t target[512];
    if (::QueryDosDeviceW(reinterpret_cast<const wchar_t*>(com.utf16()), target, 512) != 0) return true;
    for (const auto& port : PresentSerialPorts())
        if (port.name.compare(com, Qt::CaseInsensitive) == 0) return true;
    return false;
}

std::set<QString> PresentNames() {
    std::set<QString> names;
    for (const auto& port : PresentSerialPorts()) names.insert(port.name);
    return names;
}

}  // namespace

struct DeviceWatcher::Platform {
    explicit Platform(DeviceWatcher& watcher) : owner(watcher) {
        timer.setInterval(PollIntervalMs);
        QObject::connect(&timer, &QTimer::timeout, &owner, [this] { Poll(); });
    }
    Platform(const Platform&) = delete;
    Platform& operator=(const Platform&) = delete;

    // Polls only while somebody listens: the open port list or a watched name.
    void Update() {
        const bool wanted = listOpen || !watched.empty();
        if (wanted && !timer.isActive()) timer.start();
        if (!wanted) timer.stop();
    }

    void Poll() {
        // Collected first: a receiver may watch or unwatch names.
        std::vector<std::pair<QString, bool>> changes;
        if (listOpen) {
            auto now = PresentNames();
            for (const auto& name : now)
                if (!ports.count(name)) changes.emplace_back(name, true);
            for (const auto& name : ports)
                if (!now.count(name)) changes.emplace_back(name, false);
            ports = std::move(now);
        }
        for (auto& [name, present] : watched) {
            const bool now = IsPresent(name);
            if (now != present) changes.emplace_back(name, now);
            present = now;
        }
        for (const auto& [name, appeared] : changes) {
            if (appeared)
                emit owner.Appeared(name, {});
            else
                emit owner.Gone(name, {});
        }
    }

    DeviceWatcher& owner;
    QTimer timer;
    bool listOpen = false;
    std::set<QString> ports;          // the COM ports present at the last poll
    std::map<QString, bool> watched;  // a watched name → present at the last poll
};

DeviceWatcher::DeviceWatcher(std::unique_ptr<DeviceEventSource>, QObject* parent)
    : QObject(parent), platform_(std::make_unique<Platform>(*this)) {}

DeviceWatcher::~DeviceWatcher() = default;

bool DeviceWatcher::IsDevicePath(const QString&) { return false; }

void DeviceWatcher::SetListOpen(bool open) {
    auto& p = *platform_;
    if (open && !p.listOpen) p.ports = PresentNames();
    p.listOpen = open;
    p.Update();
}

void DeviceWatcher::WatchFile(const QString& path) {
    auto& p = *platform_;
    if (!p.watched.count(path)) p.watched[path] = IsPresent(path);
    p.Update();
}

void DeviceWatcher::UnwatchFile(const QString& path) {
    platform_->watched.erase(path);
    platform_->Update();
}

}  // namespace console

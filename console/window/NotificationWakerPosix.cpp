#include "console/window/NotificationWaker.h"

#include <QSocketNotifier>

namespace console {

struct NotificationWaker::Platform {
    explicit Platform(int fd) : notifier(fd, QSocketNotifier::Read) {}
    QSocketNotifier notifier;
};

NotificationWaker::NotificationWaker(int notifyFd, std::function<void()> wake)
    : platform_(std::make_unique<Platform>(notifyFd)) {
    QObject::connect(&platform_->notifier, &QSocketNotifier::activated, std::move(wake));
}

NotificationWaker::~NotificationWaker() = default;

void NotificationWaker::SetEnabled(bool on) { platform_->notifier.setEnabled(on); }

}  // namespace console

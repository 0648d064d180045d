#include "console/window/NotificationWaker.h"

#define WIN32_LEAN_AND_MEAN
#include <windows.h>

#include <cstdint>

#include <QWinEventNotifier>

namespace console {

struct NotificationWaker::Platform {
    // The component's descriptor is the value of a manual-reset event's handle.
    explicit Platform(int fd) : notifier(reinterpret_cast<HANDLE>(static_cast<std::intptr_t>(fd))) {}
    QWinEventNotifier notifier;
};

NotificationWaker::NotificationWaker(int notifyFd, std::function<void()> wake)
    : platform_(std::make_unique<Platform>(notifyFd)) {
    QObject::connect(&platform_->notifier, &QWinEventNotifier::activated, std::move(wake));
}

NotificationWaker::~NotificationWaker() = default;

void NotificationWaker::SetEnabled(bool on) { platform_->notifier.setEnabled(on); }

}  // namespace console

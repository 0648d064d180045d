#pragma once
// Wakes the window while the serial component has notifications waiting:
// a socket notifier on its descriptor (NotificationWakerPosix.cpp), or an
// event notifier on the Win32 event whose handle the descriptor carries
// (NotificationWakerWin32.cpp). Runs `wake` on the window's thread.

#include <functional>
#include <memory>

#include <QObject>

namespace console {

class NotificationWaker {
public:
    NotificationWaker(int notifyFd, std::function<void()> wake);
    ~NotificationWaker();
    NotificationWaker(const NotificationWaker&) = delete;
    NotificationWaker& operator=(const NotificationWaker&) = delete;

    // Disabled while the window drains, so that a nested event loop does not drain twice.
    void SetEnabled(bool on);

private:
    struct Platform;
    std::unique_ptr<Platform> platform_;
};

}  // namespace console

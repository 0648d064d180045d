#include <pthread.h>
#include <signal.h>
#include <sys/resource.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <mutex>

#include "serial/ThreadControl.h"

namespace serial {

namespace {

// The signal that wakes a helper from its wait. Its handler does nothing;
// it is installed without SA_RESTART so that the wait ends with EINTR.
constexpr int WakeSignal = SIGURG;

void IgnoreWake(int) {}

}  // namespace

void NameThread(std::thread& thread, const char* name) { ::pthread_setname_np(thread.native_handle(), name); }

void RaiseThisThread(int steps) {
    if (steps <= 0) return;
    const id_t self = static_cast<id_t>(::gettid());
    errno = 0;
    const int nice = ::getpriority(PRIO_PROCESS, self);
    if (errno == 0) ::setpriority(PRIO_PROCESS, self, nice - steps);
}

void AcceptWakes() {
    static std::once_flag once;
    std::call_once(once, [] {
        struct sigaction action;
        std::memset(&action, 0, sizeof action);
        action.sa_handler = IgnoreWake;
        sigemptyset(&action.sa_mask);
        action.sa_flags = 0;
        ::sigaction(WakeSignal, &action, nullptr);
    });
    // A thread inherits its creator's signal mask; an owner that blocks
    // signals must not leave the wake signal blocked here.
    sigset_t wake;
    sigemptyset(&wake);
    sigaddset(&wake, WakeSignal);
    ::pthread_sigmask(SIG_UNBLOCK, &wake, nullptr);
}

void WakeThread(std::thread& thread) { ::pthread_kill(thread.native_handle(), WakeSignal); }

}  // namespace serial

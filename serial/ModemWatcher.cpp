#include "serial/ModemWatcher.h"

#include <pthread.h>
#include <signal.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <utility>

namespace serial {

namespace {

// The signal that wakes the helper from its wait. Its handler does nothing;
// it is installed without SA_RESTART so that the wait ends with EINTR.
constexpr int WakeSignal = SIGURG;

void IgnoreWake(int) {}

void InstallWakeHandler() {
    static std::once_flag once;
    std::call_once(once, [] {
        struct sigaction action;
        std::memset(&action, 0, sizeof action);
        action.sa_handler = IgnoreWake;
        sigemptyset(&action.sa_mask);
        action.sa_flags = 0;
        ::sigaction(WakeSignal, &action, nullptr);
    });
}

}  // namespace

TModemWatcher::TModemWatcher(PortIo& io, int port, const TLineCounters& baseline) : io_(io), port_(port) {
    InstallWakeHandler();
    thread_ = std::thread([this, baseline] { Main(baseline); });
    ::pthread_setname_np(thread_.native_handle(), "TComm modem");
}

TModemWatcher::~TModemWatcher() {
    stopping_ = true;
    while (!ended_) {
        ::pthread_kill(thread_.native_handle(), WakeSignal);
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    thread_.join();
}

std::vector<TModemWatcher::Event> TModemWatcher::Take() {
    std::lock_guard lock(mutex_);
    ready_.Clear();
    return std::exchange(events_, {});
}

void TModemWatcher::Hand(Event event) {
    std::lock_guard lock(mutex_);
    events_.push_back(event);
    ready_.Signal();
}

void TModemWatcher::Main(TLineCounters counters) {
    // The thread inherits its creator's signal mask; an owner that blocks
    // signals must not leave the wake signal blocked here.
    sigset_t wake;
    sigemptyset(&wake);
    sigaddset(&wake, WakeSignal);
    ::pthread_sigmask(SIG_UNBLOCK, &wake, nullptr);
    while (!stopping_) {
        const int r = io_.WaitModemChange(port_);
        if (stopping_) break;
        if (r == -EINTR) continue;
        if (r == -ENOTTY || r == -EINVAL) break;  // the driver cannot tell: no such events
        if (r < 0) {
            Hand({0, r});
            break;
        }
        TLineCounters now;
        if (const int c = io_.GetCounters(port_, now); c != 0) {
            Hand({0, c});
            break;
        }
        Event event;
        if (now.CarrierDetect != counters.CarrierDetect) event.Mask |= EV_RLSD;
        if (now.Ring != counters.Ring) event.Mask |= EV_RING;
        counters = now;
        Hand(event);
        // A wait that ended with neither line changed ends the reader; the
        // reader stops this helper then.
        if (event.Mask == 0) break;
    }
    ended_ = true;
}

}  // namespace serial

#include "serial/ModemWatcher.h"

#include <cerrno>
#include <chrono>
#include <utility>

#include "serial/ThreadControl.h"

namespace serial {

TModemWatcher::TModemWatcher(PortIo& io, int port, const TLineCounters& baseline) : io_(io), port_(port) {
    thread_ = std::thread([this, baseline] { Main(baseline); });
    NameThread(thread_, "TComm modem");
}

TModemWatcher::~TModemWatcher() {
    stopping_ = true;
    while (!ended_) {
        WakeThread(thread_);
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
    AcceptWakes();
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

#pragma once
// Watches the carrier-detect and ring lines for the reader: a helper thread
// sleeps in the driver's wait for a modem line change (TIOCMIWAIT), works out
// which lines changed from the driver's counters, and hands each completed
// wait to the reader through a descriptor the reader polls. The wait cannot
// be woken otherwise, so stopping sets a flag and signals the helper until it
// has ended (a single signal may come before the wait has begun).

#include <atomic>
#include <cstdint>
#include <mutex>
#include <thread>
#include <vector>

#include "serial/EventFd.h"
#include "serial/PortIo.h"

namespace serial {

// Win32 line-event bits, as the reader's line-event mask holds them.
inline constexpr std::uint32_t EV_RLSD = 0x20;
inline constexpr std::uint32_t EV_ERR = 0x80;
inline constexpr std::uint32_t EV_RING = 0x100;

class TModemWatcher {
public:
    struct Event {
        std::uint32_t Mask = 0;  // EV_RLSD | EV_RING; 0 for a wait that ended with neither
        int Failure = 0;         // -errno when the wait failed; the helper has ended then
    };

    // Starts the helper; throws std::system_error when no thread can be had.
    TModemWatcher(PortIo& io, int port, const TLineCounters& baseline);
    ~TModemWatcher();  // stops the helper and waits for it
    TModemWatcher(const TModemWatcher&) = delete;
    TModemWatcher& operator=(const TModemWatcher&) = delete;

    int Fd() const { return ready_.Fd(); }  // readable while events wait
    std::vector<Event> Take();

private:
    void Main(TLineCounters counters);
    void Hand(Event event);

    PortIo& io_;
    const int port_;
    EventFd ready_;
    std::mutex mutex_;
    std::vector<Event> events_;
    std::atomic<bool> stopping_{false};
    std::atomic<bool> ended_{false};
    std::thread thread_;
};

}  // namespace serial

#pragma once
// What OpenPort hands the reader and the writer before they start, and the
// one way both report: posting to the owner's notification queue.

#include <cstdint>
#include <memory>
#include <mutex>

#include "EventFd.h"
#include "NotifyQueue.h"
#include "PortIo.h"
#include "TComm.h"
#include "Timeouts.h"

namespace serial {

// The time-outs the port holds now. The owner changes them while a read may
// be waiting; each read takes them as it starts.
class TimeoutsCell {
public:
    void Set(const TCommTimeouts& value) {
        std::lock_guard lock(mutex_);
        value_ = value;
    }
    TCommTimeouts Get() const {
        std::lock_guard lock(mutex_);
        return value_;
    }

private:
    mutable std::mutex mutex_;
    TCommTimeouts value_;
};

struct ThreadLinks {
    std::shared_ptr<PortIo> Io;
    int Port = -1;
    std::shared_ptr<const EventFd> Stop;
    std::shared_ptr<NotifyQueue> Notify;
    std::uint64_t OpenSerial = 0;

    bool Post(std::uint32_t number, std::uintptr_t wParam = 0, std::uintptr_t lParam = 0, Block data = {}) const {
        return Notify->Post(Message{number, wParam, lParam, std::move(data), OpenSerial});
    }
    // Tells the owner the thread met a failure it does not recover from.
    // Its own failure is ignored: the thread ends either way.
    void PostHangupRequest() const { Post(MSG_REQUEST_HANGUP); }
    bool Stopped() const { return Stop->IsSignalled(); }
};

}  // namespace serial

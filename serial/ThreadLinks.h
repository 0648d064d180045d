#pragma once
// What OpenPort hands the reader and the writer before they start, and the
// one way both report: posting numbered notifications to the owner's queue.

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <vector>

#include "serial/EventFd.h"
#include "serial/NotifyQueue.h"
#include "serial/PortIo.h"
#include "serial/Timeouts.h"

namespace serial {

// Notification numbers, as posted by the threads (WM_USER = 1024).
inline constexpr std::uint32_t WM_USER = 1024;
inline constexpr std::uint32_t MSG_WRITE_BLOCK = WM_USER + 1;    // to the writer
inline constexpr std::uint32_t MSG_DATA_RECEIVED = WM_USER + 1;  // to the owner
inline constexpr std::uint32_t MSG_RECEIVE_ERROR = WM_USER + 2;
inline constexpr std::uint32_t MSG_REQUEST_HANGUP = WM_USER + 3;
inline constexpr std::uint32_t MSG_MODEM_STATE = WM_USER + 4;
inline constexpr std::uint32_t MSG_SEND_EMPTY = WM_USER + 5;

// The time-outs the port holds now. The owner changes them while a read may
// be waiting; the descriptor becomes readable on every change, so the
// waiting read takes the new values at once.
class TimeoutsCell {
public:
    void Set(const TCommTimeouts& value) {
        std::lock_guard lock(mutex_);
        value_ = value;
        changed_.Signal();
    }
    TCommTimeouts Get() const {
        std::lock_guard lock(mutex_);
        return value_;
    }
    // The values now, and the change signal consumed.
    TCommTimeouts Take() const {
        std::lock_guard lock(mutex_);
        changed_.Clear();
        return value_;
    }
    int ChangedFd() const noexcept { return changed_.Fd(); }

private:
    mutable std::mutex mutex_;
    TCommTimeouts value_;
    EventFd changed_;
};

// Shared by the reader and the writer of one open: the first of them to give
// up on the device tells the owner, and the writer's queue closes with it, so
// that SendData answers False from then on and no second request follows.
struct HangupLatch {
    std::atomic<bool> Raised{false};
    std::shared_ptr<NotifyQueue> WriterQueue;
};

struct ThreadLinks {
    std::shared_ptr<PortIo> Io;
    int Port = -1;
    std::shared_ptr<const EventFd> Stop;
    std::shared_ptr<NotifyQueue> Notify;
    std::uint64_t OpenSerial = 0;
    std::shared_ptr<HangupLatch> Hangup = std::make_shared<HangupLatch>();

    Message MessageOf(std::uint32_t number, std::uintptr_t wParam = 0, std::uintptr_t lParam = 0,
                      Block data = {}) const {
        return Message{number, wParam, lParam, std::move(data), OpenSerial};
    }
    bool Post(std::uint32_t number, std::uintptr_t wParam = 0, std::uintptr_t lParam = 0, Block data = {}) const {
        return Notify->Post(MessageOf(number, wParam, lParam, std::move(data)));
    }
    // Tells the owner the thread met a failure it does not recover from, once
    // for both threads. Its own failure is ignored: the thread ends either way.
    void PostHangupRequest() const {
        if (Hangup->Raised.exchange(true)) return;
        if (Hangup->WriterQueue) Hangup->WriterQueue->Close();
        Post(MSG_REQUEST_HANGUP);
    }
    bool Stopped() const { return Stop->IsSignalled(); }
};

}  // namespace serial

#pragma once
// A first-in first-out queue of messages between threads, the equivalent of
// posting window or thread messages. Its descriptor is readable exactly while
// the queue holds messages, so a poll() can wait for it. Once closed, posts
// fail and whatever was still queued is released.

#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <optional>

#include "EventFd.h"

namespace serial {

// A heap block carrying bytes between threads: the bytes followed by one 0.
using Block = std::unique_ptr<std::uint8_t[]>;

// Allocates `length` + 1 zero-filled bytes and copies `length` bytes in.
// Empty when the memory cannot be had.
Block CopyToBlock(const void* bytes, std::size_t length) noexcept;

struct Message {
    std::uint32_t Number = 0;
    std::uintptr_t WParam = 0;
    std::uintptr_t LParam = 0;  // a plain value; a block travels in Data instead
    Block Data;                 // belongs to whoever holds the message
    std::uint64_t OpenSerial = 0;  // which open of the port the poster belongs to
};

class NotifyQueue {
public:
    NotifyQueue() = default;
    NotifyQueue(const NotifyQueue&) = delete;
    NotifyQueue& operator=(const NotifyQueue&) = delete;

    // False when the queue is closed; the message (and its block) is then
    // released by the caller's copy going out of scope.
    bool Post(Message&& message);
    std::optional<Message> Take();
    // Refuses further posts and releases everything still queued.
    void Close();
    bool IsClosed() const;
    // Whether a message with this number waits in the queue.
    bool Holds(std::uint32_t number) const;
    int Fd() const noexcept { return ready_.Fd(); }

private:
    mutable std::mutex mutex_;
    std::deque<Message> messages_;
    bool closed_ = false;
    EventFd ready_;
};

}  // namespace serial

#pragma once
// A first-in first-out queue of messages between threads, the equivalent of
// posting window or thread messages. Its descriptor is readable exactly while
// the queue holds messages, so a poll() can wait for it. Once closed, posts
// fail and whatever was still queued is released.
//
// A queue may be given a bound: a number of messages and of bytes in blocks.
// Posts still succeed beyond it (a thread is never made to drop what it holds);
// a producer that can wait asks HasRoom() first and waits for RoomFd().

#include <cstdint>
#include <cstddef>
#include <deque>
#include <memory>
#include <mutex>
#include <optional>
#include <vector>

#include "serial/EventFd.h"

namespace serial {

// A heap block carrying bytes between threads: the bytes followed by one 0.
using Block = std::unique_ptr<std::uint8_t[]>;

// Allocates `length` + 1 bytes: a copy of `length` bytes and a 0 after them.
// Empty when the memory cannot be had.
Block CopyToBlock(const void* bytes, std::size_t length) noexcept;

struct Message {
    std::uint32_t Number = 0;
    std::uintptr_t WParam = 0;
    std::uintptr_t LParam = 0;  // a plain value; a block travels in Data instead
    Block Data;                 // belongs to whoever holds the message
    std::uint64_t OpenSerial = 0;  // which open of the port the poster belongs to
};

struct QueueBound {
    std::size_t Messages = SIZE_MAX;
    std::size_t Bytes = SIZE_MAX;  // counted from the WParam of messages carrying a block
};

class NotifyQueue {
public:
    explicit NotifyQueue(QueueBound bound = {});
    NotifyQueue(const NotifyQueue&) = delete;
    NotifyQueue& operator=(const NotifyQueue&) = delete;

    // False when the queue is closed; the message (and its block) is then
    // released by the caller's copy going out of scope.
    bool Post(Message&& message);
    // Posts all, in order, with one wake-up of the taker; the vector is emptied.
    bool PostAll(std::vector<Message>& messages);
    std::optional<Message> Take();
    // Refuses further posts and releases everything still queued.
    void Close();
    bool IsClosed() const;
    // Whether a message with this number waits in the queue.
    bool Holds(std::uint32_t number) const;
    int Fd() const noexcept { return ready_.Fd(); }
    // Below the bound, or closed (a post then fails at once rather than waits).
    bool HasRoom() const;
    // Readable exactly while HasRoom() holds.
    int RoomFd() const noexcept { return room_.Fd(); }

private:
    mutable std::mutex mutex_;
    void UpdateRoom();  // with mutex_ held

    const QueueBound bound_;
    std::deque<Message> messages_;
    std::size_t bytes_ = 0;
    bool closed_ = false;
    bool room_signalled_ = true;
    EventFd ready_;
    EventFd room_;
};

}  // namespace serial

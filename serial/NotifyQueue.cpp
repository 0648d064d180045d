#include "serial/NotifyQueue.h"

#include <cstring>
#include <new>

namespace serial {

Block CopyToBlock(const void* bytes, std::size_t length) noexcept {
    Block block;
    try {
        block = std::make_unique_for_overwrite<std::uint8_t[]>(length + 1);
    } catch (const std::bad_alloc&) {
        return block;
    }
    if (length > 0) std::memcpy(block.get(), bytes, length);
    block[length] = 0;
    return block;
}

namespace {

std::size_t BytesOf(const Message& m) { return m.Data ? static_cast<std::size_t>(m.WParam) : 0; }

}  // namespace

NotifyQueue::NotifyQueue(QueueBound bound) : bound_(bound) { room_.Signal(); }

bool NotifyQueue::Post(Message&& message) {
    std::lock_guard lock(mutex_);
    if (closed_) return false;
    bytes_ += BytesOf(message);
    messages_.push_back(std::move(message));
    if (messages_.size() == 1) ready_.Signal();
    UpdateRoom();
    return true;
}

bool NotifyQueue::PostAll(std::vector<Message>& messages) {
    if (messages.empty()) return true;
    std::lock_guard lock(mutex_);
    if (closed_) return false;
    const bool wasEmpty = messages_.empty();
    for (Message& m : messages) {
        bytes_ += BytesOf(m);
        messages_.push_back(std::move(m));
    }
    messages.clear();
    if (wasEmpty) ready_.Signal();
    UpdateRoom();
    return true;
}

bool NotifyQueue::HasRoom() const {
    std::lock_guard lock(mutex_);
    return room_signalled_;
}

void NotifyQueue::UpdateRoom() {
    const bool room = closed_ || (messages_.size() < bound_.Messages && bytes_ < bound_.Bytes);
    if (room == room_signalled_) return;
    room_signalled_ = room;
    if (room) room_.Signal();
    else room_.Clear();
}

std::optional<Message> NotifyQueue::Take() {
    std::lock_guard lock(mutex_);
    if (messages_.empty()) return std::nullopt;
    Message m = std::move(messages_.front());
    messages_.pop_front();
    bytes_ -= BytesOf(m);
    if (messages_.empty()) ready_.Clear();
    UpdateRoom();
    return m;
}

void NotifyQueue::Close() {
    std::deque<Message> dropped;
    {
        std::lock_guard lock(mutex_);
        closed_ = true;
        dropped.swap(messages_);
        bytes_ = 0;
        ready_.Clear();
        UpdateRoom();
    }
    // The dropped messages release their blocks here, outside the lock.
}

bool NotifyQueue::Holds(std::uint32_t number) const {
    std::lock_guard lock(mutex_);
    for (const Message& m : messages_)
        if (m.Number == number) return true;
    return false;
}

bool NotifyQueue::IsClosed() const {
    std::lock_guard lock(mutex_);
    return closed_;
}

}  // namespace serial

#include "NotifyQueue.h"

#include <cstring>
#include <new>

namespace serial {

Block CopyToBlock(const void* bytes, std::size_t length) noexcept {
    Block block;
    try {
        block = std::make_unique<std::uint8_t[]>(length + 1);  // zero-filled
    } catch (const std::bad_alloc&) {
        return block;
    }
    if (length > 0) std::memcpy(block.get(), bytes, length);
    return block;
}

bool NotifyQueue::Post(Message&& message) {
    std::lock_guard lock(mutex_);
    if (closed_) return false;
    messages_.push_back(std::move(message));
    if (messages_.size() == 1) ready_.Signal();
    return true;
}

std::optional<Message> NotifyQueue::Take() {
    std::lock_guard lock(mutex_);
    if (messages_.empty()) return std::nullopt;
    Message m = std::move(messages_.front());
    messages_.pop_front();
    if (messages_.empty()) ready_.Clear();
    return m;
}

void NotifyQueue::Close() {
    std::deque<Message> dropped;
    {
        std::lock_guard lock(mutex_);
        closed_ = true;
        dropped.swap(messages_);
        ready_.Clear();
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

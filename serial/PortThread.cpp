#include "serial/PortThread.h"

#include "serial/ThreadControl.h"

namespace serial {

PortThread::PortThread(const char* name, std::function<void()> body)
    : body_(std::move(body)), thread_([this] { Main(); }) {
    NameThread(thread_, name);
}

PortThread::~PortThread() { Wait(); }

void PortThread::SetPriority(int stepsAboveNormal) {
    std::lock_guard lock(mutex_);
    raise_ = stepsAboveNormal;
}

void PortThread::Start() {
    {
        std::lock_guard lock(mutex_);
        if (state_ == State::Created) state_ = State::Started;
    }
    changed_.notify_all();
}

void PortThread::Wait() {
    {
        std::lock_guard lock(mutex_);
        if (state_ == State::Created) state_ = State::Discarded;
    }
    changed_.notify_all();
    if (thread_.joinable()) thread_.join();
}

void PortThread::Main() {
    int raise = 0;
    {
        std::unique_lock lock(mutex_);
        changed_.wait(lock, [this] { return state_ != State::Created; });
        if (state_ == State::Discarded) return;
        raise = raise_;
    }
    RaiseThisThread(raise);
    body_();
}

}  // namespace serial

#pragma once
// A Linux eventfd owned by one object: readable while its counter is nonzero.
// Used as the stop event (written once, never read, so it stays readable) and
// as the readiness signal of a message queue.

namespace serial {

class EventFd {
public:
    EventFd();  // throws std::system_error when the descriptor cannot be had
    ~EventFd();
    EventFd(const EventFd&) = delete;
    EventFd& operator=(const EventFd&) = delete;

    int Fd() const noexcept { return fd_; }
    void Signal() const noexcept;  // adds 1: the descriptor becomes readable
    void Clear() const noexcept;   // reads the counter back to 0
    bool IsSignalled() const noexcept;

private:
    int fd_ = -1;
};

}  // namespace serial

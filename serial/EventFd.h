#pragma once
// An event owned by one object, readable while signalled: a Linux eventfd
// (EventFd.cpp), or a manual-reset Win32 event whose handle value is the
// descriptor (EventFdWin32.cpp). Used as the stop event (signalled once, never
// cleared, so it stays readable) and as the readiness signal of a message queue.

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

// Waits until `fd` (an EventFd's, or TComm::NotifyFd()) is readable or
// `timeoutMs` pass (-1: without limit); true when it is readable.
bool WaitReadable(int fd, int timeoutMs);

}  // namespace serial

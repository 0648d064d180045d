#define WIN32_LEAN_AND_MEAN
#include <windows.h>

#include <system_error>

#include "serial/EventFd.h"

namespace serial {

namespace {

HANDLE HandleOf(int fd) { return LongToHandle(fd); }

}  // namespace

EventFd::EventFd() {
    HANDLE h = ::CreateEventA(nullptr, TRUE, FALSE, nullptr);
    if (h == nullptr)
        throw std::system_error(static_cast<int>(::GetLastError()), std::system_category(), "CreateEvent");
    fd_ = HandleToLong(h);
}

EventFd::~EventFd() { ::CloseHandle(HandleOf(fd_)); }

void EventFd::Signal() const noexcept { ::SetEvent(HandleOf(fd_)); }

void EventFd::Clear() const noexcept { ::ResetEvent(HandleOf(fd_)); }

bool EventFd::IsSignalled() const noexcept { return WaitReadable(fd_, 0); }

bool WaitReadable(int fd, int timeoutMs) {
    const DWORD wait = timeoutMs < 0 ? INFINITE : static_cast<DWORD>(timeoutMs);
    return ::WaitForSingleObject(HandleOf(fd), wait) == WAIT_OBJECT_0;
}

}  // namespace serial

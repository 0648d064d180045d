// The port I/O on Win32: overlapped ReadFile, WriteFile and WaitCommEvent
// behind the non-blocking, poll()-shaped seam the threads use.
//
// Reads: the port's time-outs make a read wait without limit for its first
// byte and complete 1 ms after the last (ReadIntervalTimeout 1, no totals),
// which Windows and Wine both keep; the reader cuts blocks by its own clock,
// as on Linux. One overlapped read is kept pending per port; Poll() waits on
// its event. A read that completes empty means the device is gone, as a read
// of 0 does on Linux.
// Writes: Write() starts an overlapped write of a copy and answers -EAGAIN;
// Poll(POLLOUT) waits for it, and the next Write() of the same bytes answers
// how many went out.
// Line errors: ClearCommError's flags are added up into counters, so the
// reader's counter deltas work unchanged. Carrier and ring: WaitCommEvent,
// in an alertable wait that the modem watcher ends with an APC.

// Before <windows.h>, whose macros (DTR_CONTROL_ENABLE, ...) would otherwise
// replace names of ours.
#include "serial/PortIo.h"

#define WIN32_LEAN_AND_MEAN
#include <windows.h>

#include <cerrno>
#include <cstring>
#include <map>
#include <memory>
#include <mutex>
#include <vector>

namespace serial {

namespace {

constexpr DWORD ReadChunk = 64 * 1024;

HANDLE HandleOf(int fd) { return LongToHandle(fd); }

// The errno a failed port operation stands for. A device that went away
// (adapter pulled) answers a pending operation with one of the first three.
int ErrnoOf(DWORD error) {
    switch (error) {
        case ERROR_INVALID_HANDLE: return EBADF;
        case ERROR_FILE_NOT_FOUND:
        case ERROR_PATH_NOT_FOUND: return ENOENT;
        case ERROR_NOT_SUPPORTED:
        case ERROR_INVALID_FUNCTION: return ENOTTY;
        case ERROR_OPERATION_ABORTED:
        case ERROR_BAD_COMMAND:
        case ERROR_ACCESS_DENIED:
        case ERROR_DEVICE_NOT_CONNECTED:
        case ERROR_GEN_FAILURE:
        default: return EIO;
    }
}

int LastErrno() { return -ErrnoOf(::GetLastError()); }

struct Overlapped {
    Overlapped() { ov.hEvent = ::CreateEventA(nullptr, TRUE, FALSE, nullptr); }
    ~Overlapped() {
        if (ov.hEvent) ::CloseHandle(ov.hEvent);
    }
    Overlapped(const Overlapped&) = delete;
    Overlapped& operator=(const Overlapped&) = delete;
    bool Ready() const { return ::WaitForSingleObject(ov.hEvent, 0) == WAIT_OBJECT_0; }
    OVERLAPPED ov{};
};

struct Port {
    explicit Port(HANDLE handle) : h(handle) {}
    HANDLE h;

    std::mutex readMutex;
    Overlapped read;
    std::vector<std::uint8_t> readBuffer = std::vector<std::uint8_t>(ReadChunk);
    bool readPending = false;
    std::size_t have = 0;   // bytes of the buffer not yet handed out
    std::size_t taken = 0;  // of which this many were
    int readFailure = 0;    // sticky: -errno, or 1 for "gone" (a read of 0)

    std::mutex writeMutex;
    Overlapped write;
    std::vector<std::uint8_t> writeCopy;
    bool writePending = false;
    const void* writeFrom = nullptr;  // the caller's bytes the pending write copied

    std::mutex countersMutex;
    TLineCounters counters;

    std::mutex modemMutex;
    Overlapped modem;
    bool maskSet = false;
};

class Win32Io final : public PortIo {
public:
    int Open(const std::string& path) override {
        HANDLE h = ::CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                                 FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OVERLAPPED, nullptr);
        if (h == INVALID_HANDLE_VALUE) {
            const DWORD e = ::GetLastError();
            // Held by another program: the port is busy.
            if (e == ERROR_ACCESS_DENIED || e == ERROR_SHARING_VIOLATION) return -EBUSY;
            return -ErrnoOf(e);
        }
        auto port = std::make_unique<Port>(h);
        if (!port->read.ov.hEvent || !port->write.ov.hEvent || !port->modem.ov.hEvent) {
            ::CloseHandle(h);
            return -ENOMEM;
        }
        if (::GetFileType(h) == FILE_TYPE_CHAR) {
            ::SetupComm(h, 4096, 4096);
            COMMTIMEOUTS t{};
            t.ReadIntervalTimeout = 1;
            ::SetCommTimeouts(h, &t);
        }
        const int fd = HandleToLong(h);
        std::lock_guard lock(mutex_);
        ports_[fd] = std::move(port);
        return fd;
    }

    void Close(int fd) override {
        std::unique_ptr<Port> port;
        {
            std::lock_guard lock(mutex_);
            auto it = ports_.find(fd);
            if (it == ports_.end()) return;
            port = std::move(it->second);
            ports_.erase(it);
        }
        // Every pending operation ends before its buffers and events go.
        ::CancelIoEx(port->h, nullptr);
        DWORD n = 0;
        if (port->readPending) ::GetOverlappedResult(port->h, &port->read.ov, &n, TRUE);
        if (port->writePending) ::GetOverlappedResult(port->h, &port->write.ov, &n, TRUE);
        ::CloseHandle(port->h);
    }

    bool IsTerminal(int fd) override { return ::GetFileType(HandleOf(fd)) == FILE_TYPE_CHAR; }
    // CreateFile without sharing already holds the port against every opener.
    int Lock(int) override { return 0; }
    void Unlock(int) override {}

    int GetSettings(int fd, PortSettings& s) override {
        DCB d{};
        d.DCBlength = sizeof d;
        if (!::GetCommState(HandleOf(fd), &d)) return LastErrno();
        s.DCBlength = d.DCBlength;
        s.BaudRate = d.BaudRate;
        s.Flags = (d.fBinary ? dcb::fBinary : 0) | (d.fParity ? dcb::fParity : 0) |
                  (d.fOutxCtsFlow ? dcb::fOutxCtsFlow : 0) | (d.fOutxDsrFlow ? dcb::fOutxDsrFlow : 0) |
                  (std::uint32_t{d.fDtrControl} << dcb::fDtrControlShift) |
                  (d.fDsrSensitivity ? dcb::fDsrSensitivity : 0) |
                  (d.fTXContinueOnXoff ? dcb::fTXContinueOnXoff : 0) | (d.fOutX ? dcb::fOutX : 0) |
                  (d.fInX ? dcb::fInX : 0) | (d.fErrorChar ? dcb::fErrorChar : 0) | (d.fNull ? dcb::fNull : 0) |
                  (std::uint32_t{d.fRtsControl} << dcb::fRtsControlShift);
        s.wReserved = d.wReserved;
        s.XonLim = d.XonLim;
        s.XoffLim = d.XoffLim;
        s.ByteSize = d.ByteSize;
        s.Parity = d.Parity;
        s.StopBits = d.StopBits;
        s.XonChar = d.XonChar;
        s.XoffChar = d.XoffChar;
        s.ErrorChar = d.ErrorChar;
        s.EofChar = d.EofChar;
        s.EvtChar = d.EvtChar;
        s.wReserved1 = d.wReserved1;
        return 0;
    }

    int SetSettings(int fd, const PortSettings& s) override {
        DCB d{};
        d.DCBlength = sizeof d;
        d.BaudRate = s.BaudRate;
        d.fBinary = (s.Flags & dcb::fBinary) != 0;
        d.fParity = (s.Flags & dcb::fParity) != 0;
        d.fOutxCtsFlow = (s.Flags & dcb::fOutxCtsFlow) != 0;
        d.fOutxDsrFlow = (s.Flags & dcb::fOutxDsrFlow) != 0;
        d.fDtrControl = dcb::DtrControlOf(s);
        d.fDsrSensitivity = (s.Flags & dcb::fDsrSensitivity) != 0;
        d.fTXContinueOnXoff = (s.Flags & dcb::fTXContinueOnXoff) != 0;
        d.fOutX = (s.Flags & dcb::fOutX) != 0;
        d.fInX = (s.Flags & dcb::fInX) != 0;
        d.fErrorChar = (s.Flags & dcb::fErrorChar) != 0;
        d.fNull = (s.Flags & dcb::fNull) != 0;
        d.fRtsControl = dcb::RtsControlOf(s);
        d.fAbortOnError = 0;
        d.wReserved = s.wReserved;
        d.XonLim = s.XonLim;
        d.XoffLim = s.XoffLim;
        d.ByteSize = s.ByteSize;
        d.Parity = s.Parity;
        d.StopBits = s.StopBits;
        d.XonChar = s.XonChar;
        d.XoffChar = s.XoffChar;
        d.ErrorChar = s.ErrorChar;
        d.EofChar = s.EofChar;
        d.EvtChar = s.EvtChar;
        d.wReserved1 = s.wReserved1;
        return ::SetCommState(HandleOf(fd), &d) ? 0 : LastErrno();
    }

    int SetModemLines(int fd, int raise, int drop) override {
        constexpr int Dtr = 0x002, Rts = 0x004;
        HANDLE h = HandleOf(fd);
        int r = 0;
        auto escape = [&](DWORD function) {
            if (!::EscapeCommFunction(h, function)) r = LastErrno();
        };
        if (raise & Dtr) escape(SETDTR);
        if (raise & Rts) escape(SETRTS);
        if (drop & Dtr) escape(CLRDTR);
        if (drop & Rts) escape(CLRRTS);
        return r;
    }

    // Discards what waits; a pending operation is left to end by itself (an
    // abort would look like a vanished device to the thread that waits on it).
    int Flush(int fd, TQueue queue) override {
        DWORD flags = 0;
        if (queue != TQueue::Output) flags |= PURGE_RXCLEAR;
        if (queue != TQueue::Input) flags |= PURGE_TXCLEAR;
        if (Port* port = Find(fd); port && queue != TQueue::Output) {
            std::lock_guard lock(port->readMutex);
            port->taken = port->have;
        }
        return ::PurgeComm(HandleOf(fd), flags) ? 0 : LastErrno();
    }

    long Read(int fd, void* buffer, std::size_t size) override {
        Port* port = Find(fd);
        if (!port) return -EBADF;
        std::lock_guard lock(port->readMutex);
        for (;;) {
            if (port->taken < port->have) {
                const std::size_t n = std::min(size, port->have - port->taken);
                std::memcpy(buffer, port->readBuffer.data() + port->taken, n);
                port->taken += n;
                return static_cast<long>(n);
            }
            if (port->readFailure != 0) return port->readFailure > 0 ? 0 : port->readFailure;
            if (port->readPending) {
                if (!port->read.Ready()) return -EAGAIN;
                Complete(*port);
                continue;
            }
            if (!StartRead(*port)) continue;  // completed at once or failed: seen above
            return -EAGAIN;
        }
    }

    long Write(int fd, const void* bytes, std::size_t size) override {
        Port* port = Find(fd);
        if (!port) return -EBADF;
        std::lock_guard lock(port->writeMutex);
        if (port->writePending) {
            if (!port->write.Ready()) return -EAGAIN;
            port->writePending = false;
            DWORD n = 0;
            const bool ok = ::GetOverlappedResult(port->h, &port->write.ov, &n, FALSE);
            if (!ok) return LastErrno();
            // The same bytes asked again: that is how many went out.
            if (port->writeFrom == bytes) return static_cast<long>(n);
        }
        port->writeCopy.assign(static_cast<const std::uint8_t*>(bytes),
                               static_cast<const std::uint8_t*>(bytes) + size);
        port->writeFrom = bytes;
        DWORD n = 0;
        ::ResetEvent(port->write.ov.hEvent);
        if (::WriteFile(port->h, port->writeCopy.data(), static_cast<DWORD>(size), nullptr, &port->write.ov)) {
            if (!::GetOverlappedResult(port->h, &port->write.ov, &n, FALSE)) return LastErrno();
            return static_cast<long>(n);
        }
        if (::GetLastError() != ERROR_IO_PENDING) return LastErrno();
        port->writePending = true;
        return -EAGAIN;
    }

    int Poll(pollfd* fds, std::size_t count, int timeoutMs) override {
        std::vector<HANDLE> handles;
        std::vector<std::size_t> owners;
        bool ready = false;
        for (std::size_t i = 0; i < count; ++i) {
            pollfd& p = fds[i];
            p.revents = 0;
            if (p.fd < 0) continue;
            Port* port = Find(p.fd);
            if (!port) {
                handles.push_back(HandleOf(p.fd));
                owners.push_back(i);
                continue;
            }
            if (p.events & POLLIN) {
                std::lock_guard lock(port->readMutex);
                if (port->taken < port->have || port->readFailure != 0) {
                    p.revents |= POLLIN;
                    ready = true;
                } else if (port->readPending || StartRead(*port)) {
                    handles.push_back(port->read.ov.hEvent);
                    owners.push_back(i);
                } else {
                    p.revents |= POLLIN;  // completed at once, or failed: Read() tells
                    ready = true;
                }
            }
            if (p.events & POLLOUT) {
                std::lock_guard lock(port->writeMutex);
                if (!port->writePending) {
                    p.revents |= POLLOUT;
                    ready = true;
                } else {
                    handles.push_back(port->write.ov.hEvent);
                    owners.push_back(i);
                }
            }
        }
        if (handles.size() > MAXIMUM_WAIT_OBJECTS) return -EINVAL;
        if (!ready && !handles.empty()) {
            const DWORD wait = timeoutMs < 0 ? INFINITE : static_cast<DWORD>(timeoutMs);
            const DWORD r = ::WaitForMultipleObjects(static_cast<DWORD>(handles.size()), handles.data(), FALSE, wait);
            if (r == WAIT_FAILED) return LastErrno();
        } else if (!ready && timeoutMs != 0) {
            ::Sleep(timeoutMs < 0 ? INFINITE : static_cast<DWORD>(timeoutMs));
        }
        for (std::size_t k = 0; k < handles.size(); ++k) {
            if (::WaitForSingleObject(handles[k], 0) != WAIT_OBJECT_0) continue;
            pollfd& p = fds[owners[k]];
            Port* port = Find(p.fd);
            p.revents |= port == nullptr ? POLLIN
                         : handles[k] == port->read.ov.hEvent ? POLLIN
                                                               : POLLOUT;
        }
        int n = 0;
        for (std::size_t i = 0; i < count; ++i)
            if (fds[i].revents != 0) ++n;
        return n;
    }

    int GetCounters(int fd, TLineCounters& c) override {
        Port* port = Find(fd);
        if (!port) return -EBADF;
        DWORD errors = 0;
        if (!::ClearCommError(port->h, &errors, nullptr)) return LastErrno();
        std::lock_guard lock(port->countersMutex);
        TLineCounters& k = port->counters;
        if (errors & CE_RXOVER) ++k.BufOverrun;
        if (errors & CE_OVERRUN) ++k.Overrun;
        if (errors & CE_RXPARITY) ++k.Parity;
        if (errors & CE_FRAME) ++k.Frame;
        if (errors & CE_BREAK) ++k.Break;
        c = k;
        return 0;
    }

    // One WaitCommEvent for carrier detect or ring. An APC (the watcher being
    // stopped) ends it with -EINTR; a driver that refuses the wait answers
    // -ENOTTY: no such events, and no failure.
    int WaitModemChange(int fd) override {
        Port* port = Find(fd);
        if (!port) return -EBADF;
        std::lock_guard lock(port->modemMutex);
        if (!port->maskSet) {
            if (!::SetCommMask(port->h, EV_RLSD | EV_RING)) return RefusedOr(::GetLastError());
            port->maskSet = true;
        }
        DWORD mask = 0;
        ::ResetEvent(port->modem.ov.hEvent);
        if (!::WaitCommEvent(port->h, &mask, &port->modem.ov)) {
            const DWORD e = ::GetLastError();
            if (e != ERROR_IO_PENDING) return RefusedOr(e);
            const DWORD r = ::WaitForSingleObjectEx(port->modem.ov.hEvent, INFINITE, TRUE);
            if (r == WAIT_IO_COMPLETION) {
                ::CancelIoEx(port->h, &port->modem.ov);
                DWORD n = 0;
                ::GetOverlappedResult(port->h, &port->modem.ov, &n, TRUE);
                return -EINTR;
            }
            DWORD n = 0;
            if (r != WAIT_OBJECT_0 || !::GetOverlappedResult(port->h, &port->modem.ov, &n, FALSE))
                return LastErrno();
        }
        std::lock_guard counting(port->countersMutex);
        if (mask & EV_RLSD) ++port->counters.CarrierDetect;
        if (mask & EV_RING) ++port->counters.Ring;
        return 0;
    }

private:
    static int RefusedOr(DWORD error) { return error == ERROR_INVALID_HANDLE ? -EBADF : -ENOTTY; }

    Port* Find(int fd) {
        std::lock_guard lock(mutex_);
        auto it = ports_.find(fd);
        return it == ports_.end() ? nullptr : it->second.get();
    }

    // Starts the next read, with readMutex held. True when it is pending;
    // false when it completed at once or failed (the outcome is recorded).
    static bool StartRead(Port& port) {
        port.have = port.taken = 0;
        ::ResetEvent(port.read.ov.hEvent);
        if (::ReadFile(port.h, port.readBuffer.data(), ReadChunk, nullptr, &port.read.ov)) {
            port.readPending = true;
            Complete(port);
            return false;
        }
        const DWORD e = ::GetLastError();
        if (e == ERROR_IO_PENDING) {
            port.readPending = true;
            return true;
        }
        port.readFailure = -ErrnoOf(e);
        return false;
    }

    // Takes the outcome of the read that has ended, with readMutex held.
    static void Complete(Port& port) {
        port.readPending = false;
        DWORD n = 0;
        if (!::GetOverlappedResult(port.h, &port.read.ov, &n, FALSE)) {
            port.readFailure = LastErrno();
            return;
        }
        if (n == 0) {
            port.readFailure = 1;  // no time-out can end it empty: the device has gone
            return;
        }
        port.have = n;
        port.taken = 0;
    }

    std::mutex mutex_;
    std::map<int, std::unique_ptr<Port>> ports_;
};

}  // namespace

std::shared_ptr<PortIo> SystemPortIo() { return std::make_shared<Win32Io>(); }

}  // namespace serial

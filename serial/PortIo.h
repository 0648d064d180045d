#pragma once
// The operating-system calls the component and its threads make on a port,
// behind one small interface: PosixPortIo.cpp or Win32PortIo.cpp for use (chosen
// at build time as SystemPortIo()), a scripted fake in the tests. Results
// follow the kernel's convention: a count or 0 on success, -errno on failure.

#ifdef _WIN32
#include "serial/Dcb.h"
#else
#include <asm/termbits.h>
#endif
#include "serial/Poll.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

namespace serial {

// The driver's running counts of line errors and modem line changes
// (TIOCGICOUNT).
struct TLineCounters {
    std::uint32_t Frame = 0;
    std::uint32_t Parity = 0;
    std::uint32_t Overrun = 0;
    std::uint32_t BufOverrun = 0;
    std::uint32_t Break = 0;
    std::uint32_t CarrierDetect = 0;
    std::uint32_t Ring = 0;
};

enum class TQueue { Input, Output, Both };

// What the driver holds of the line: termios2 on Linux, the DCB on Windows.
#ifdef _WIN32
using PortSettings = TDcb;
#else
using PortSettings = termios2;
#endif

class PortIo {
public:
    virtual ~PortIo() = default;

    // Opens the device for reading and writing, non-blocking: a descriptor
    // (on Windows: exclusively, so Lock has nothing left to do).
    virtual int Open(const std::string& path) = 0;
    virtual void Close(int fd) = 0;
    virtual bool IsTerminal(int fd) = 0;
    // Holds the port against every other opener (flock, then TIOCEXCL), and
    // lets it go again.
    virtual int Lock(int fd) = 0;
    virtual void Unlock(int fd) = 0;

    virtual int GetSettings(int fd, PortSettings& settings) = 0;
    virtual int SetSettings(int fd, const PortSettings& settings) = 0;
    // Raises and drops modem control lines (TIOCM_DTR 0x2, TIOCM_RTS 0x4).
    virtual int SetModemLines(int fd, int raise, int drop) = 0;
    // Discards what waits in the driver's queue(s).
    virtual int Flush(int fd, TQueue queue) = 0;

    virtual long Read(int fd, void* buffer, std::size_t size) = 0;
    virtual long Write(int fd, const void* bytes, std::size_t size) = 0;
    // poll() over the given descriptors; the port's own entry reports its
    // readiness, the others are the threads' event descriptors.
    virtual int Poll(pollfd* fds, std::size_t count, int timeoutMs) = 0;

    virtual int GetCounters(int fd, TLineCounters& counters) = 0;
    // Sleeps until carrier detect or ring changes (TIOCMIWAIT). A signal ends
    // it with -EINTR; -ENOTTY or -EINVAL: the driver cannot tell.
    virtual int WaitModemChange(int fd) = 0;
};

// The operating system's port I/O.
std::shared_ptr<PortIo> SystemPortIo();

}  // namespace serial

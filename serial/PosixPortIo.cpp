#include <fcntl.h>
#include <linux/serial.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <cerrno>

#include "serial/PortIo.h"

namespace serial {

namespace {

int Result(int r) { return r < 0 ? -errno : r; }
long Result(ssize_t r) { return r < 0 ? -errno : static_cast<long>(r); }

class PosixIo final : public PortIo {
public:
    int Open(const std::string& path) override {
        return Result(::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC));
    }
    void Close(int fd) override { ::close(fd); }
    bool IsTerminal(int fd) override { return ::isatty(fd) == 1; }

    int Lock(int fd) override {
        // flock holds against every opener, root included; TIOCEXCL makes the
        // driver refuse other opens by ordinary users.
        if (::flock(fd, LOCK_EX | LOCK_NB) != 0) return errno == EWOULDBLOCK ? -EBUSY : -errno;
        // Root passes the driver's check, so look: a port that another program
        // holds in exclusive mode is refused, and its mode left alone.
        int exclusive = 0;
        if (::ioctl(fd, TIOCGEXCL, &exclusive) == 0 && exclusive != 0) {
            ::flock(fd, LOCK_UN);
            return -EBUSY;
        }
        ::ioctl(fd, TIOCEXCL);
        return 0;
    }
    void Unlock(int fd) override {
        // Without TIOCNXCL an ordinary user could not open a pseudo-terminal
        // again while its other side stays open.
        ::ioctl(fd, TIOCNXCL);
        ::flock(fd, LOCK_UN);
    }

    int GetSettings(int fd, PortSettings& settings) override { return Result(::ioctl(fd, TCGETS2, &settings)); }
    int SetSettings(int fd, const PortSettings& settings) override { return Result(::ioctl(fd, TCSETS2, &settings)); }
    int SetModemLines(int fd, int raise, int drop) override {
        int r = 0;
        if (raise != 0 && ::ioctl(fd, TIOCMBIS, &raise) != 0) r = -errno;
        if (drop != 0 && ::ioctl(fd, TIOCMBIC, &drop) != 0) r = -errno;
        return r;
    }
    int Flush(int fd, TQueue queue) override {
        const int which = queue == TQueue::Input ? TCIFLUSH : queue == TQueue::Output ? TCOFLUSH : TCIOFLUSH;
        return Result(::ioctl(fd, TCFLSH, which));
    }

    long Read(int fd, void* buffer, std::size_t size) override { return Result(::read(fd, buffer, size)); }
    long Write(int fd, const void* bytes, std::size_t size) override { return Result(::write(fd, bytes, size)); }
    int Poll(pollfd* fds, std::size_t count, int timeoutMs) override {
        return Result(::poll(fds, static_cast<nfds_t>(count), timeoutMs));
    }

    int GetCounters(int fd, TLineCounters& c) override {
        serial_icounter_struct ic{};
        if (::ioctl(fd, TIOCGICOUNT, &ic) != 0) return -errno;
        c.Frame = static_cast<std::uint32_t>(ic.frame);
        c.Parity = static_cast<std::uint32_t>(ic.parity);
        c.Overrun = static_cast<std::uint32_t>(ic.overrun);
        c.BufOverrun = static_cast<std::uint32_t>(ic.buf_overrun);
        c.Break = static_cast<std::uint32_t>(ic.brk);
        c.CarrierDetect = static_cast<std::uint32_t>(ic.dcd);
        c.Ring = static_cast<std::uint32_t>(ic.rng);
        return 0;
    }
    int WaitModemChange(int fd) override { return Result(::ioctl(fd, TIOCMIWAIT, TIOCM_CD | TIOCM_RNG)); }
};

}  // namespace

std::shared_ptr<PortIo> SystemPortIo() { return std::make_shared<PosixIo>(); }

}  // namespace serial

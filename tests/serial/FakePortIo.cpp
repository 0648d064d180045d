#include "tests/serial/FakePortIo.h"

#include <sys/ioctl.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <thread>
#include <utility>

namespace serialtest {

using serial::TLineCounters;

void FakePortIo::QueueRead(const std::string& bytes, const TLineCounters& errors) {
    std::lock_guard lock(mutex_);
    reads_.push_back({bytes, 0, errors});
    UpdateReadiness();
}

void FakePortIo::QueueReadResult(int result) {
    std::lock_guard lock(mutex_);
    reads_.push_back({{}, result, {}});
    UpdateReadiness();
}

void FakePortIo::QueueWrite(long accept) {
    std::lock_guard lock(mutex_);
    writes_.push_back(accept);
}

void FakePortIo::AcceptWrites() {
    std::lock_guard lock(mutex_);
    writeBlocked_ = false;
    UpdateReadiness();
}

void FakePortIo::SetCountersSupported(bool supported) {
    std::lock_guard lock(mutex_);
    countersSupported_ = supported;
}

void FakePortIo::SetModemWaitSupported(bool supported) {
    std::lock_guard lock(mutex_);
    modemSupported_ = supported;
}

void FakePortIo::QueueModemWake(const TLineCounters& change, int result) {
    std::lock_guard lock(mutex_);
    modemWakes_.push_back({change, result});
    UpdateReadiness();
}

void FakePortIo::SetModemWaitDelay(std::chrono::milliseconds delay) {
    std::lock_guard lock(mutex_);
    modemDelay_ = delay;
}

void FakePortIo::OnNextReaderPoll(std::function<void()> action) {
    std::lock_guard lock(mutex_);
    onReaderPoll_ = std::move(action);
}

void FakePortIo::OnNextWrite(std::function<void()> action) {
    std::lock_guard lock(mutex_);
    onWrite_ = std::move(action);
}

void FakePortIo::RaiseStop() {
    int fd;
    {
        std::lock_guard lock(mutex_);
        fd = stopFd_;
    }
    const std::uint64_t one = 1;
    if (fd >= 0) (void)!::write(fd, &one, sizeof one);
}

std::string FakePortIo::Written() const {
    std::lock_guard lock(mutex_);
    return written_;
}

std::vector<std::size_t> FakePortIo::WriteCalls() const {
    std::lock_guard lock(mutex_);
    return writeCalls_;
}

int FakePortIo::ModemLines() const {
    std::lock_guard lock(mutex_);
    return lines_;
}

termios2 FakePortIo::Settings() const {
    std::lock_guard lock(mutex_);
    return settings_;
}

int FakePortIo::SettingsWrites() const {
    std::lock_guard lock(mutex_);
    return settingsWrites_;
}

std::vector<std::string> FakePortIo::ReaderLog() const {
    std::lock_guard lock(mutex_);
    return readerLog_;
}

bool FakePortIo::ReadsPending() const {
    std::lock_guard lock(mutex_);
    return !reads_.empty();
}

void FakePortIo::UpdateReadiness() {
    if (reads_.empty()) readable_.Clear();
    else if (!readable_.IsSignalled()) readable_.Signal();
    if (writeBlocked_) writable_.Clear();
    else if (!writable_.IsSignalled()) writable_.Signal();
    if (modemWakes_.empty()) modemReady_.Clear();
    else if (!modemReady_.IsSignalled()) modemReady_.Signal();
}

void FakePortIo::Bump(const TLineCounters& c) {
    counters_.Frame += c.Frame;
    counters_.Parity += c.Parity;
    counters_.Overrun += c.Overrun;
    counters_.BufOverrun += c.BufOverrun;
    counters_.Break += c.Break;
    counters_.CarrierDetect += c.CarrierDetect;
    counters_.Ring += c.Ring;
}

int FakePortIo::Open(const std::string&) {
    std::lock_guard lock(mutex_);
    UpdateReadiness();
    return PortFd;
}

void FakePortIo::Close(int) {}
bool FakePortIo::IsTerminal(int) { return true; }
int FakePortIo::Lock(int) { return 0; }
void FakePortIo::Unlock(int) {}

int FakePortIo::GetSettings(int, termios2& settings) {
    std::lock_guard lock(mutex_);
    settings = settings_;
    return 0;
}

int FakePortIo::SetSettings(int, const termios2& settings) {
    std::lock_guard lock(mutex_);
    settings_ = settings;
    ++settingsWrites_;
    return 0;
}

int FakePortIo::SetModemLines(int, int raise, int drop) {
    std::lock_guard lock(mutex_);
    lines_ = (lines_ | raise) & ~drop;
    return 0;
}

int FakePortIo::Flush(int, serial::TQueue) { return 0; }

long FakePortIo::Read(int, void* buffer, std::size_t size) {
    std::lock_guard lock(mutex_);
    if (reads_.empty()) {
        readerLog_.push_back("read EAGAIN");
        return -EAGAIN;
    }
    ReadStep& step = reads_.front();
    if (step.bytes.empty()) {
        const int result = step.result;
        reads_.pop_front();
        UpdateReadiness();
        readerLog_.push_back("read " + std::to_string(result));
        return result;
    }
    Bump(step.errors);
    step.errors = {};
    const std::size_t n = std::min(size, step.bytes.size());
    std::memcpy(buffer, step.bytes.data(), n);
    step.bytes.erase(0, n);
    if (step.bytes.empty()) reads_.pop_front();
    UpdateReadiness();
    readerLog_.push_back("read " + std::to_string(n));
    return static_cast<long>(n);
}

long FakePortIo::Write(int, const void* bytes, std::size_t size) {
    std::function<void()> action;
    {
        std::lock_guard lock(mutex_);
        action = std::exchange(onWrite_, nullptr);
    }
    if (action) action();
    std::lock_guard lock(mutex_);
    writeCalls_.push_back(size);
    long accept = static_cast<long>(size);
    if (!writes_.empty()) {
        accept = writes_.front();
        writes_.pop_front();
    }
    if (accept == -EAGAIN) {
        writeBlocked_ = true;
        UpdateReadiness();
        return -EAGAIN;
    }
    if (accept < 0) return accept;
    const std::size_t n = std::min(size, static_cast<std::size_t>(accept));
    written_.append(static_cast<const char*>(bytes), n);
    return static_cast<long>(n);
}

int FakePortIo::Poll(pollfd* fds, std::size_t count, int timeoutMs) {
    std::vector<pollfd> real(fds, fds + count);
    bool reader = false;
    std::function<void()> action;
    {
        std::lock_guard lock(mutex_);
        if (count > 0) stopFd_ = fds[0].fd;  // both threads wait on the stop event first
        for (pollfd& p : real) {
            if (p.fd != PortFd) continue;
            if (p.events & POLLIN) {
                reader = true;
                p.fd = readable_.Fd();
            } else {
                p.fd = writable_.Fd();
                p.events = POLLIN;
            }
        }
        if (reader) {
            readerLog_.push_back("poll");
            action = std::exchange(onReaderPoll_, nullptr);
        }
    }
    if (action) action();
    const int r = ::poll(real.data(), real.size(), timeoutMs);
    if (r < 0) return -errno;
    int ready = 0;
    for (std::size_t i = 0; i < count; ++i) {
        fds[i].revents = 0;
        if (real[i].revents != 0) fds[i].revents = fds[i].fd == PortFd ? fds[i].events : real[i].revents;
        if (fds[i].revents != 0) ++ready;
    }
    return ready;
}

int FakePortIo::GetCounters(int, TLineCounters& counters) {
    std::lock_guard lock(mutex_);
    if (!countersSupported_) return -EINVAL;
    counters = counters_;
    return 0;
}

int FakePortIo::WaitModemChange(int) {
    std::chrono::milliseconds delay;
    {
        std::lock_guard lock(mutex_);
        if (!modemSupported_) return -ENOTTY;
        delay = modemDelay_;
    }
    // Deaf to signals, like the stretch before a real wait begins.
    const auto until = std::chrono::steady_clock::now() + delay;
    while (std::chrono::steady_clock::now() < until) std::this_thread::sleep_until(until);
    for (;;) {
        {
            std::lock_guard lock(mutex_);
            if (!modemWakes_.empty()) {
                const ModemStep step = modemWakes_.front();
                modemWakes_.pop_front();
                if (step.result == 0) Bump(step.change);
                UpdateReadiness();
                return step.result;
            }
        }
        pollfd p{modemReady_.Fd(), POLLIN, 0};
        if (::poll(&p, 1, -1) < 0 && errno == EINTR) return -EINTR;
    }
}

}  // namespace serialtest

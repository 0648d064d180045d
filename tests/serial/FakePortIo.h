#pragma once
// A port I/O scripted by the test: what each read returns, how much each
// write takes, when the modem lines change and which errors the driver counts.
// It plays what a pseudo-terminal cannot: line errors, carrier and ring,
// writes refused halfway, failures of every kind. Thread-safe: the test
// scripts it while the component's threads use it.

#include <chrono>
#include <deque>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "serial/EventFd.h"
#include "serial/PortIo.h"

namespace serialtest {

class FakePortIo : public serial::PortIo {
public:
    static constexpr int PortFd = 1000;  // never a real descriptor: Poll stands in for it

    // --- script ---
    // The next read returns these bytes (or the first of them that fit); the
    // driver counts `errors` as the bytes are taken.
    void QueueRead(const std::string& bytes, const serial::TLineCounters& errors = {});
    // The next read returns `result`: 0 (the other side is gone) or -errno.
    void QueueReadResult(int result);
    // The next write takes at most `accept` bytes; -EAGAIN: nothing, and the
    // port stays full until AcceptWrites(); another -errno: that failure.
    void QueueWrite(long accept);
    void AcceptWrites();
    // The driver keeps counters (TIOCGICOUNT) / can wait for modem changes.
    void SetCountersSupported(bool supported);
    void SetModemWaitSupported(bool supported);
    // The next modem wait ends with `result`; on 0 the counters move by `change` first.
    void QueueModemWake(const serial::TLineCounters& change, int result = 0);
    // Each modem wait first sleeps this long, deaf to signals (a wake signal
    // may then come before the wait has begun).
    void SetModemWaitDelay(std::chrono::milliseconds delay);
    // Runs once, on the reader's thread, as it next waits for the port.
    void OnNextReaderPoll(std::function<void()> action);
    // Runs once, on the writer's thread, at its next write.
    void OnNextWrite(std::function<void()> action);
    // Sets the stop event the threads wait on (learnt from their waits).
    void RaiseStop();

    // --- observations ---
    std::string Written() const;
    std::vector<std::size_t> WriteCalls() const;
    int ModemLines() const;  // TIOCM_DTR | TIOCM_RTS as set now
    termios2 Settings() const;
    int SettingsWrites() const;
    // What the reader did, in order: "read 3", "read EAGAIN", "poll", ...
    std::vector<std::string> ReaderLog() const;
    bool ReadsPending() const;

    // --- PortIo ---
    int Open(const std::string& path) override;
    void Close(int fd) override;
    bool IsTerminal(int fd) override;
    int Lock(int fd) override;
    void Unlock(int fd) override;
    int GetSettings(int fd, termios2& settings) override;
    int SetSettings(int fd, const termios2& settings) override;
    int SetModemLines(int fd, int raise, int drop) override;
    int Flush(int fd, serial::TQueue queue) override;
    long Read(int fd, void* buffer, std::size_t size) override;
    long Write(int fd, const void* bytes, std::size_t size) override;
    int Poll(pollfd* fds, std::size_t count, int timeoutMs) override;
    int GetCounters(int fd, serial::TLineCounters& counters) override;
    int WaitModemChange(int fd) override;

private:
    struct ReadStep {
        std::string bytes;
        int result = 0;
        serial::TLineCounters errors;
    };
    struct ModemStep {
        serial::TLineCounters change;
        int result = 0;
    };
    void UpdateReadiness();  // with mutex_ held
    void Bump(const serial::TLineCounters& change);

    mutable std::mutex mutex_;
    std::deque<ReadStep> reads_;
    std::deque<long> writes_;
    bool writeBlocked_ = false;
    std::string written_;
    std::vector<std::size_t> writeCalls_;
    std::deque<ModemStep> modemWakes_;
    std::chrono::milliseconds modemDelay_{0};
    bool countersSupported_ = false;
    bool modemSupported_ = false;
    serial::TLineCounters counters_;
    int lines_ = 0;
    termios2 settings_{};
    int settingsWrites_ = 0;
    int stopFd_ = -1;
    std::vector<std::string> readerLog_;
    std::function<void()> onReaderPoll_;
    std::function<void()> onWrite_;

    // Readable exactly while the port is: reads waiting, room for writes,
    // modem wakes waiting.
    serial::EventFd readable_;
    serial::EventFd writable_;
    serial::EventFd modemReady_;
};

}  // namespace serialtest

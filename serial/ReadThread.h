#pragma once
// The reader: reads what the port has in large reads, cuts it into blocks of
// at most 2048 bytes by the port's read time-outs and hands them to the owner
// in batches, one wake-up per batch. It also reports line errors (from the
// driver's error counters) and changes of carrier detect and ring (through
// the modem watcher). Every notification of the reader is posted from this
// one thread. While the owner's queue is full it reads nothing: the bytes wait
// in the driver and the line's flow control.

#include <chrono>
#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

#include "serial/ModemWatcher.h"
#include "serial/ThreadLinks.h"

namespace serial {

// The most one received block holds.
inline constexpr std::size_t ReadBufferSize = 2048;
// What one read asks of the driver.
inline constexpr std::size_t ReadChunkSize = 64 * 1024;
// Complete blocks handed over together at most, while the line keeps coming.
inline constexpr std::size_t BlocksPerBatch = 32;

// Line-error flags as ClearCommError reports them.
inline constexpr std::uint32_t CE_RXOVER = 0x1;
inline constexpr std::uint32_t CE_OVERRUN = 0x2;
inline constexpr std::uint32_t CE_RXPARITY = 0x4;
inline constexpr std::uint32_t CE_FRAME = 0x8;
inline constexpr std::uint32_t CE_BREAK = 0x10;

class TReadThread {
public:
    TReadThread(ThreadLinks links, std::shared_ptr<const TimeoutsCell> timeouts);
    void Run();  // the thread body

private:
    using Clock = std::chrono::steady_clock;
    enum class Step { Go, End, Fail };  // Fail: the device is gone or a wait failed

    bool Start();
    // Reads and cuts until stopped, ended quietly or failed.
    Step Gather();
    // Cuts the `n` bytes just read onto the open block: every full block goes
    // to the batch, the rest stays open.
    bool Take(std::size_t n, Clock::time_point now);
    // Closes the open block (even a short one) into the batch.
    bool CloseOpenBlock(Clock::time_point now);
    // Hands the batch over, line errors counted meanwhile first.
    bool PostBatch();
    std::optional<Clock::time_point> Deadline(bool reading) const;

    bool ServeLineEvents();
    // Errors counted since they were last reported, as CE_ flags; false when
    // the counters cannot be read (reported as the failure requires).
    bool PendingErrors(std::uint32_t& flags);
    bool ReadCounters(TLineCounters& now);
    static std::uint32_t ErrorFlags(const TLineCounters& was, const TLineCounters& now);
    bool ProcessCommEvent(std::uint32_t mask);

    ThreadLinks links_;
    std::shared_ptr<const TimeoutsCell> timeouts_;
    TReadPlan plan_;
    // The open block's bytes come first; a read appends after them.
    std::vector<std::uint8_t> buffer_ = std::vector<std::uint8_t>(ReadChunkSize);
    std::size_t held_ = 0;
    Clock::time_point blockStart_;  // when the open block's read began
    Clock::time_point lastByte_;
    std::vector<Message> batch_;
    // The driver's counters as last reported; none where the driver keeps none.
    std::optional<TLineCounters> counters_;
    std::unique_ptr<TModemWatcher> watcher_;
};

}  // namespace serial

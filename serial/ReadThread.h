#pragma once
// The reader: keeps one read of up to 2048 bytes pending, cuts what arrives
// into blocks by the port's read time-outs and posts each one to the owner.
// It also reports line errors (from the driver's error counters) and changes
// of carrier detect and ring (through the modem watcher). Every notification
// of the reader is posted from this one thread.

#include <array>
#include <cstdint>
#include <memory>
#include <optional>

#include "ModemWatcher.h"
#include "ThreadLinks.h"

namespace serial {

inline constexpr std::size_t ReadBufferSize = 2048;

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
    bool Start();
    enum class Outcome { Completed, Stopped, EndQuietly, DeviceGone };
    Outcome ReadOnce(std::size_t& count);
    bool DeliverBlock(std::size_t count);
    bool ServeLineEvents();
    // Errors counted since they were last reported, as CE_ flags; false when
    // the counters cannot be read (reported as the failure requires).
    bool PendingErrors(std::uint32_t& flags);
    bool ReadCounters(TLineCounters& now);
    static std::uint32_t ErrorFlags(const TLineCounters& was, const TLineCounters& now);
    bool ProcessCommEvent(std::uint32_t mask);

    ThreadLinks links_;
    std::shared_ptr<const TimeoutsCell> timeouts_;
    std::array<std::uint8_t, ReadBufferSize> buffer_{};
    // The driver's counters as last reported; none where the driver keeps none.
    std::optional<TLineCounters> counters_;
    std::unique_ptr<TModemWatcher> watcher_;
};

}  // namespace serial

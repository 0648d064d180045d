#pragma once
// The reader: keeps one read of up to 2048 bytes pending, cuts what arrives
// into blocks by the port's read time-outs and posts each one to the owner.

#include <array>
#include <cstdint>
#include <memory>

#include "ThreadLinks.h"

namespace serial {

inline constexpr std::size_t ReadBufferSize = 2048;

class TReadThread {
public:
    TReadThread(ThreadLinks links, std::shared_ptr<const TimeoutsCell> timeouts);
    void Run();  // the thread body

private:
    enum class Outcome { Completed, Stopped, EndQuietly, DeviceGone };
    Outcome ReadOnce(std::size_t& count);
    bool DeliverBlock(std::size_t count);

    ThreadLinks links_;
    std::shared_ptr<const TimeoutsCell> timeouts_;
    std::array<std::uint8_t, ReadBufferSize> buffer_{};
};

}  // namespace serial

#pragma once
// The time-outs in two pure steps: the five properties become the Win32
// COMMTIMEOUTS record, and that record becomes the plan one read follows.
// Write time-outs have no effect here: on Win32 a write cut short by them is
// continued with the rest anyway, so every block is written whole.

#include <chrono>
#include <cstdint>
#include <optional>

namespace serial {

inline constexpr std::uint32_t MAXDWORD = 0xFFFFFFFFu;

struct TCommTimeouts {
    std::uint32_t ReadIntervalTimeout = 100;
    std::uint32_t ReadTotalTimeoutMultiplier = 0;
    std::uint32_t ReadTotalTimeoutConstant = 0;
    std::uint32_t WriteTotalTimeoutMultiplier = 0;
    std::uint32_t WriteTotalTimeoutConstant = 0;
};

// The properties are the record's members under the same names.
inline TCommTimeouts BuildTimeouts(const TCommTimeouts& properties) { return properties; }

// How one read of up to `requested` bytes ends.
struct TReadPlan {
    // Complete with whatever has arrived, even nothing, without waiting.
    bool Immediate = false;
    // Complete as soon as at least one byte is in.
    bool FirstByteCompletes = false;
    // Complete once this long passes after a byte without a further one.
    std::optional<std::chrono::milliseconds> Interval;
    // Complete once this long passes from the start of the read, even empty.
    std::optional<std::chrono::milliseconds> Total;
};

TReadPlan ReadPlanFor(const TCommTimeouts& record, std::size_t requested);

}  // namespace serial

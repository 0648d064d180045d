#pragma once
// A converter played back from a capture: a command the capture holds is
// answered with the pieces captured for it, each at its captured time after
// the command's last byte came; a command it does not hold gets no answer.

#include <chrono>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "commission/Capture.h"

namespace emulator {

class Replay {
public:
    explicit Replay(commission::Capture capture);

    // Takes bytes as they arrive on the line; returns the exchanges whose
    // command they completed (the same bytes as captured), in order. Bytes
    // outside a held command are passed over.
    std::vector<const commission::CaptureExchange*> Feed(std::string_view bytes);

    const commission::Capture& Capture() const { return capture_; }

private:
    commission::Capture capture_;
    std::string pending_;  // at most the longest command held, less a byte, between calls
    std::size_t longest_ = 0;
};

// Sends the exchange's pieces, each when its time after `arrived` has come
// (waiting in between). `send` hands bytes to the port; false stops it.
// `stopping` is asked at least every 100 ms while waiting; true stops it.
// False when it was stopped or a send failed.
bool PlayBack(const commission::CaptureExchange& exchange, std::chrono::steady_clock::time_point arrived,
              const std::function<bool(std::string_view)>& send, const std::function<bool()>& stopping);

}  // namespace emulator

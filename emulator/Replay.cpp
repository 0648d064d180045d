#include "emulator/Replay.h"

#include <algorithm>
#include <thread>

namespace emulator {

Replay::Replay(commission::Capture capture) : capture_(std::move(capture)) {
    for (const auto& e : capture_.exchanges) longest_ = std::max(longest_, e.command.size());
}

std::vector<const commission::CaptureExchange*> Replay::Feed(std::string_view bytes) {
    std::vector<const commission::CaptureExchange*> completed;
    pending_.append(bytes);
    for (;;) {
        // The command that ends first; of two ending at once, the longer.
        const commission::CaptureExchange* found = nullptr;
        std::size_t end = std::string::npos;
        for (const auto& e : capture_.exchanges) {
            const auto at = pending_.find(e.command);
            if (at == std::string::npos) continue;
            const std::size_t ends = at + e.command.size();
            if (ends < end || (ends == end && e.command.size() > found->command.size())) {
                found = &e;
                end = ends;
            }
        }
        if (!found) break;
        completed.push_back(found);
        pending_.erase(0, end);
    }
    // Only the start of a command still to come is worth keeping.
    const std::size_t keep = longest_ > 0 ? longest_ - 1 : 0;
    if (pending_.size() > keep) pending_.erase(0, pending_.size() - keep);
    return completed;
}

bool PlayBack(const commission::CaptureExchange& exchange, std::chrono::steady_clock::time_point arrived,
              const std::function<bool(std::string_view)>& send, const std::function<bool()>& stopping) {
    using Clock = std::chrono::steady_clock;
    for (const auto& piece : exchange.pieces) {
        const auto due = arrived + std::chrono::milliseconds(piece.afterMs);
        while (Clock::now() < due) {
            if (stopping()) return false;
            std::this_thread::sleep_until(std::min(due, Clock::now() + std::chrono::milliseconds(100)));
        }
        if (!send(piece.bytes)) return false;
    }
    return true;
}

}  // namespace emulator

#include "ReadThread.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <optional>

namespace serial {

namespace {

using Clock = std::chrono::steady_clock;

// Milliseconds until `deadline` for poll(), rounded up so that a wake-up is
// never early; -1 without a deadline.
int PollTimeout(std::optional<Clock::time_point> deadline, Clock::time_point now) {
    if (!deadline) return -1;
    if (*deadline <= now) return 0;
    auto left = std::chrono::ceil<std::chrono::milliseconds>(*deadline - now).count();
    return static_cast<int>(std::min<decltype(left)>(left, 1 << 30));
}

}  // namespace

TReadThread::TReadThread(ThreadLinks links, std::shared_ptr<const TimeoutsCell> timeouts)
    : links_(std::move(links)), timeouts_(std::move(timeouts)) {}

void TReadThread::Run() {
    bool running = Start();
    while (running && !links_.Stopped()) {
        std::size_t count = 0;
        const Outcome outcome = ReadOnce(count);
        if (outcome == Outcome::Stopped || outcome == Outcome::EndQuietly) break;
        if (outcome == Outcome::Failed) {
            // What arrived before the failure is still handed over.
            if (count == 0 || DeliverBlock(count)) links_.PostHangupRequest();
            break;
        }
        // Errors met while the block came in are reported before it.
        std::uint32_t errors = 0;
        if (!PendingErrors(errors)) break;
        if (errors != 0 && !ProcessCommEvent(EV_ERR)) break;
        if (!DeliverBlock(count)) break;
    }
    watcher_.reset();
    links_.Io->Flush(links_.Port, TQueue::Input);
}

bool TReadThread::Start() {
    // Drivers that keep no counters (pseudo-terminals, some USB adapters)
    // report neither line errors nor modem changes; that is no failure.
    TLineCounters baseline;
    if (links_.Io->GetCounters(links_.Port, baseline) != 0) return true;
    counters_ = baseline;
    try {
        watcher_ = std::make_unique<TModemWatcher>(*links_.Io, links_.Port, baseline);
    } catch (const std::exception&) {  // no thread or no memory for it
        links_.PostHangupRequest();
        return false;
    }
    return true;
}

// One read: waits without limit (or up to a total time-out) for the first
// byte, then gathers bytes until the line is quiet for the interval, the
// buffer is full, or the total time-out passes.
TReadThread::Outcome TReadThread::ReadOnce(std::size_t& count) {
    const TReadPlan plan = ReadPlanFor(timeouts_->Get(), buffer_.size());
    const auto start = Clock::now();
    std::optional<Clock::time_point> totalDeadline;
    if (plan.Total) totalDeadline = start + *plan.Total;
    Clock::time_point lastByte = start;

    PortIo& io = *links_.Io;
    for (;;) {
        const long n = io.Read(links_.Port, buffer_.data() + count, buffer_.size() - count);
        if (n > 0) {
            count += static_cast<std::size_t>(n);
            lastByte = Clock::now();
            if (count == buffer_.size() || plan.FirstByteCompletes) return Outcome::Completed;
            continue;
        }
        // With at least one byte asked of the driver a read of 0 means the
        // other side is gone (a hung-up terminal, an unplugged adapter).
        if (n == 0) return Outcome::Failed;
        if (n == -EINTR) continue;
        if (n == -EBADF) return Outcome::EndQuietly;
        if (n != -EAGAIN) return Outcome::Failed;

        if (plan.Immediate) return Outcome::Completed;
        std::optional<Clock::time_point> deadline = totalDeadline;
        if (plan.Interval && count > 0) {
            const auto intervalEnd = lastByte + *plan.Interval;
            deadline = deadline ? std::min(*deadline, intervalEnd) : intervalEnd;
        }
        const auto now = Clock::now();
        if (deadline && *deadline <= now) return Outcome::Completed;

        // Stop first, then line events, then the read: a stop beats both.
        pollfd fds[3] = {{links_.Stop->Fd(), POLLIN, 0},
                         {watcher_ ? watcher_->Fd() : -1, POLLIN, 0},
                         {links_.Port, POLLIN, 0}};
        const int r = io.Poll(fds, 3, PollTimeout(deadline, now));
        if (r == -EINTR) continue;
        if (r < 0) return Outcome::Failed;
        if (fds[0].revents != 0) return Outcome::Stopped;
        if (fds[1].revents != 0) {
            if (!ServeLineEvents()) return Outcome::EndQuietly;
            continue;
        }
        if (fds[2].revents & POLLNVAL) return Outcome::EndQuietly;
        if (fds[2].revents & POLLIN) continue;
        if (fds[2].revents & (POLLHUP | POLLERR)) return Outcome::Failed;
        // Nothing ready: a deadline passed, checked on the next round.
    }
}

bool TReadThread::ServeLineEvents() {
    for (const TModemWatcher::Event& event : watcher_->Take()) {
        if (event.Failure != 0) {
            if (event.Failure != -EBADF) links_.PostHangupRequest();
            return false;
        }
        std::uint32_t errors = 0;
        if (!PendingErrors(errors)) return false;
        std::uint32_t mask = event.Mask;
        if (errors != 0) {
            // A wait that ended with no event still ends the reader (the
            // watcher has gone); the errors counted meanwhile go first.
            if (mask == 0 && !ProcessCommEvent(EV_ERR)) return false;
            if (mask != 0) mask |= EV_ERR;
        }
        if (!ProcessCommEvent(mask)) return false;
    }
    return true;
}

bool TReadThread::PendingErrors(std::uint32_t& flags) {
    flags = 0;
    if (!counters_) return true;
    TLineCounters now;
    if (!ReadCounters(now)) return false;
    flags = ErrorFlags(*counters_, now);
    return true;
}

bool TReadThread::ReadCounters(TLineCounters& now) {
    if (const int r = links_.Io->GetCounters(links_.Port, now); r != 0) {
        if (r != -EBADF) links_.PostHangupRequest();
        return false;
    }
    return true;
}

std::uint32_t TReadThread::ErrorFlags(const TLineCounters& was, const TLineCounters& now) {
    std::uint32_t flags = 0;
    if (now.BufOverrun != was.BufOverrun) flags |= CE_RXOVER;
    if (now.Overrun != was.Overrun) flags |= CE_OVERRUN;
    if (now.Parity != was.Parity) flags |= CE_RXPARITY;
    if (now.Frame != was.Frame) flags |= CE_FRAME;
    if (now.Break != was.Break) flags |= CE_BREAK;
    return flags;
}

// Acts on one completed line-event wait: the line errors first, then the
// modem lines; a mask with none of the three ends the reader.
bool TReadThread::ProcessCommEvent(std::uint32_t mask) {
    bool result = false;
    if (mask & EV_ERR) {
        // Fetching the errors clears them: the counters become the new baseline.
        TLineCounters now;
        if (!ReadCounters(now)) return false;
        const std::uint32_t errors = counters_ ? ErrorFlags(*counters_, now) : 0;
        counters_ = now;
        if (!links_.Post(MSG_RECEIVE_ERROR, 0, errors)) {
            links_.PostHangupRequest();
            return false;
        }
        result = true;
    }
    std::uint32_t modem = 0;
    if (mask & EV_RLSD) modem |= 8;
    if (mask & EV_RING) modem |= 4;
    if (modem != 0) {
        if (!links_.Post(MSG_MODEM_STATE, 0, modem)) {
            links_.PostHangupRequest();
            return false;
        }
        result = true;
    }
    if (!(mask & (EV_ERR | EV_RLSD | EV_RING))) links_.PostHangupRequest();
    return result;
}

bool TReadThread::DeliverBlock(std::size_t count) {
    if (count == 0) return false;  // a read ended empty ends the reader quietly
    Block block = CopyToBlock(buffer_.data(), count);
    if (!block || !links_.Post(MSG_DATA_RECEIVED, count, 0, std::move(block))) {
        links_.PostHangupRequest();
        return false;
    }
    return true;
}

}  // namespace serial

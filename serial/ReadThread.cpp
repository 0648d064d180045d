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
    for (;;) {
        if (links_.Stopped()) break;
        std::size_t count = 0;
        const Outcome outcome = ReadOnce(count);
        if (outcome == Outcome::Stopped || outcome == Outcome::EndQuietly) break;
        if (outcome == Outcome::DeviceGone) {
            // What arrived before the device went is still handed over.
            if (count == 0 || DeliverBlock(count)) links_.PostHangupRequest();
            break;
        }
        if (!DeliverBlock(count)) break;
    }
    links_.Io->Flush(links_.Port, TQueue::Input);
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
        if (n == 0) return Outcome::DeviceGone;
        if (n == -EINTR) continue;
        if (n == -EBADF) return Outcome::EndQuietly;
        if (n != -EAGAIN) return Outcome::DeviceGone;

        if (plan.Immediate) return Outcome::Completed;
        std::optional<Clock::time_point> deadline = totalDeadline;
        if (plan.Interval && count > 0) {
            const auto intervalEnd = lastByte + *plan.Interval;
            deadline = deadline ? std::min(*deadline, intervalEnd) : intervalEnd;
        }
        const auto now = Clock::now();
        if (deadline && *deadline <= now) return Outcome::Completed;

        pollfd fds[2] = {{links_.Stop->Fd(), POLLIN, 0}, {links_.Port, POLLIN, 0}};
        const int r = io.Poll(fds, 2, PollTimeout(deadline, now));
        if (r == -EINTR) continue;
        if (r < 0) return Outcome::DeviceGone;
        if (fds[0].revents != 0) return Outcome::Stopped;  // a stop beats a completed read
        if (fds[1].revents & POLLNVAL) return Outcome::EndQuietly;
        if (fds[1].revents & POLLIN) continue;
        if (fds[1].revents & (POLLHUP | POLLERR)) return Outcome::DeviceGone;
        // Nothing ready: a deadline passed, checked on the next round.
    }
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

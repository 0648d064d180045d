#include "serial/ReadThread.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
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
    : links_(std::move(links)), timeouts_(std::move(timeouts)) {
    batch_.reserve(BlocksPerBatch + 1);
}

void TReadThread::Run() {
    if (Start() && Gather() == Step::Fail) {
        // What arrived before the failure is still handed over, without
        // asking a device that has gone for its counters.
        if (CloseOpenBlock(Clock::now())) links_.Notify->PostAll(batch_);
        links_.PostHangupRequest();
    }
    batch_.clear();
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

// A block waits for its first byte without limit (or up to a total time-out),
// then gathers bytes until the line is quiet for the interval, it holds 2048
// bytes, or the total time-out passes. The time-outs are taken again whenever
// the owner changes them, so they reach the block that is open.
TReadThread::Step TReadThread::Gather() {
    PortIo& io = *links_.Io;
    NotifyQueue& owner = *links_.Notify;
    plan_ = ReadPlanFor(timeouts_->Take(), ReadBufferSize);
    blockStart_ = lastByte_ = Clock::now();
    bool waitedForRoom = false;
    for (;;) {
        if (links_.Stopped()) return Step::End;
        const bool room = owner.HasRoom();
        if (room) {
            // With nothing open, a read begins only once there is room again.
            if (waitedForRoom && held_ == 0) blockStart_ = Clock::now();
            waitedForRoom = false;
            const long n = io.Read(links_.Port, buffer_.data() + held_, buffer_.size() - held_);
            if (n > 0) {
                if (!Take(static_cast<std::size_t>(n), Clock::now())) return Step::End;
                if (plan_.FirstByteCompletes) {
                    if (!CloseOpenBlock(Clock::now()) || !PostBatch()) return Step::End;
                } else if (batch_.size() >= BlocksPerBatch && !PostBatch()) {
                    return Step::End;
                }
                continue;
            }
            // With at least one byte asked of the driver a read of 0 means the
            // other side is gone (a hung-up terminal, an unplugged adapter).
            if (n == 0) return Step::Fail;
            if (n == -EINTR) continue;
            if (n == -EBADF) return Step::End;
            if (n != -EAGAIN) return Step::Fail;
        } else {
            waitedForRoom = true;
        }

        // Nothing more to read for now: what is complete goes to the owner.
        if (!PostBatch()) return Step::End;
        auto now = Clock::now();
        const std::optional<Clock::time_point> deadline = Deadline(room);
        if ((room && plan_.Immediate) || (deadline && *deadline <= now)) {
            if (held_ == 0) return Step::End;  // a read that ended empty ends the reader quietly
            if (!CloseOpenBlock(now) || !PostBatch()) return Step::End;
            continue;
        }

        // Stop first, then line events, then time-out changes, then the port
        // (or, while the owner's queue is full, room in it): a stop beats all.
        pollfd fds[5] = {{links_.Stop->Fd(), POLLIN, 0},
                         {watcher_ ? watcher_->Fd() : -1, POLLIN, 0},
                         {timeouts_->ChangedFd(), POLLIN, 0},
                         {room ? links_.Port : -1, POLLIN, 0},
                         {room ? -1 : owner.RoomFd(), POLLIN, 0}};
        const int r = io.Poll(fds, 5, PollTimeout(deadline, now));
        if (r == -EINTR) continue;
        if (r < 0) return Step::Fail;
        if (fds[0].revents != 0) return Step::End;
        if (fds[1].revents != 0) {
            if (!ServeLineEvents()) return Step::End;
            continue;
        }
        if (fds[2].revents != 0) {
            plan_ = ReadPlanFor(timeouts_->Take(), ReadBufferSize);
            continue;
        }
        if (fds[3].revents & POLLNVAL) return Step::End;
        if (fds[3].revents & POLLIN) continue;
        if (fds[3].revents & (POLLHUP | POLLERR)) return Step::Fail;
        // Room again, or a deadline passed: seen on the next round.
    }
}

std::optional<TReadThread::Clock::time_point> TReadThread::Deadline(bool reading) const {
    std::optional<Clock::time_point> deadline;
    if (plan_.Total && (held_ > 0 || reading)) deadline = blockStart_ + *plan_.Total;
    if (plan_.Interval && held_ > 0) {
        const auto quietEnd = lastByte_ + *plan_.Interval;
        deadline = deadline ? std::min(*deadline, quietEnd) : quietEnd;
    }
    return deadline;
}

bool TReadThread::Take(std::size_t n, Clock::time_point now) {
    held_ += n;
    lastByte_ = now;
    std::size_t cut = 0;
    while (held_ - cut >= ReadBufferSize) {
        Block block = CopyToBlock(buffer_.data() + cut, ReadBufferSize);
        if (!block) {
            links_.PostHangupRequest();
            return false;
        }
        batch_.push_back(links_.MessageOf(MSG_DATA_RECEIVED, ReadBufferSize, 0, std::move(block)));
        cut += ReadBufferSize;
    }
    if (cut > 0) {
        std::memmove(buffer_.data(), buffer_.data() + cut, held_ - cut);
        held_ -= cut;
        blockStart_ = now;  // the next block's read begins as this one ends
    }
    return true;
}

bool TReadThread::CloseOpenBlock(Clock::time_point now) {
    if (held_ == 0) return true;
    Block block = CopyToBlock(buffer_.data(), held_);
    if (!block) {
        links_.PostHangupRequest();
        return false;
    }
    batch_.push_back(links_.MessageOf(MSG_DATA_RECEIVED, held_, 0, std::move(block)));
    held_ = 0;
    blockStart_ = now;
    return true;
}

bool TReadThread::PostBatch() {
    if (batch_.empty()) return true;
    // Errors met while the blocks came in are reported before them.
    std::uint32_t errors = 0;
    if (!PendingErrors(errors)) return false;
    if (errors != 0 && !ProcessCommEvent(EV_ERR)) return false;
    if (!links_.Notify->PostAll(batch_)) {
        batch_.clear();
        links_.PostHangupRequest();
        return false;
    }
    return true;
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

}  // namespace serial

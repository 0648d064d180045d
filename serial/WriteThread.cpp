#include "serial/WriteThread.h"

#include <cerrno>

namespace serial {

TWriteThread::TWriteThread(ThreadLinks links, std::shared_ptr<NotifyQueue> queue)
    : links_(std::move(links)), queue_(std::move(queue)) {}

void TWriteThread::Run() {
    bool wroteSinceEmpty = true;
    for (;;) {
        std::optional<Message> message = queue_->Take();
        if (!message) {
            if (wroteSinceEmpty && !links_.Post(MSG_SEND_EMPTY)) {
                links_.PostHangupRequest();
                break;
            }
            wroteSinceEmpty = false;
            pollfd fds[2] = {{links_.Stop->Fd(), POLLIN, 0}, {queue_->Fd(), POLLIN, 0}};
            const int r = links_.Io->Poll(fds, 2, -1);
            if (r == -EINTR) continue;
            if (r < 0) {
                links_.PostHangupRequest();
                break;
            }
            if (fds[0].revents != 0) break;
            continue;
        }
        // A message taken as the stop is seen is not written.
        if (links_.Stopped()) break;
        if (message->Number != MSG_WRITE_BLOCK || !message->Data) continue;
        if (!WriteBlock(message->Data.get(), message->WParam)) break;
        wroteSinceEmpty = true;
    }
    // Blocks still queued are released here, and SendData answers False from now on.
    queue_->Close();
    links_.Io->Flush(links_.Port, TQueue::Output);
}

// Writes every byte, continuing after partial writes; False when stopped or
// when the port fails.
bool TWriteThread::WriteBlock(const std::uint8_t* block, std::size_t length) {
    PortIo& io = *links_.Io;
    std::size_t offset = 0;
    while (offset < length) {
        const long n = io.Write(links_.Port, block + offset, length - offset);
        if (n > 0) {
            offset += static_cast<std::size_t>(n);
            continue;
        }
        if (n == -EINTR) continue;
        if (n == -EBADF) return false;
        if (n != 0 && n != -EAGAIN) {
            links_.PostHangupRequest();
            return false;
        }
        pollfd fds[2] = {{links_.Stop->Fd(), POLLIN, 0}, {links_.Port, POLLOUT, 0}};
        const int r = io.Poll(fds, 2, -1);
        if (r == -EINTR) continue;
        if (r < 0) {
            links_.PostHangupRequest();
            return false;
        }
        if (fds[0].revents != 0) return false;
        if (fds[1].revents & POLLNVAL) return false;
        if ((fds[1].revents & (POLLHUP | POLLERR)) && !(fds[1].revents & POLLOUT)) {
            links_.PostHangupRequest();
            return false;
        }
    }
    return true;
}

}  // namespace serial

#pragma once
// The writer: takes blocks from its queue in posting order and writes each
// one completely; tells the owner whenever the queue has run empty after a
// write (and once at its first idle moment).

#include <cstddef>
#include <cstdint>
#include <memory>

#include "serial/ThreadLinks.h"

namespace serial {

class TWriteThread {
public:
    // `queue` is the writer's own message queue; the writer closes it as it
    // ends, so nothing can be handed over that would never be written.
    TWriteThread(ThreadLinks links, std::shared_ptr<NotifyQueue> queue);
    void Run();  // the thread body

private:
    bool WriteBlock(const std::uint8_t* block, std::size_t length);

    ThreadLinks links_;
    std::shared_ptr<NotifyQueue> queue_;
};

}  // namespace serial

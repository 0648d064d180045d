#pragma once
// A thread created not yet running, given a priority, started, and waited
// for. A thread that is never started ends without running its body.

#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>

namespace serial {

class PortThread {
public:
    // Throws std::system_error when no thread can be had.
    explicit PortThread(std::function<void()> body);
    ~PortThread();  // waits for the end
    PortThread(const PortThread&) = delete;
    PortThread& operator=(const PortThread&) = delete;

    // Steps above the normal scheduling priority, best effort: an ordinary
    // user may not raise it, and that is no failure.
    void SetPriority(int stepsAboveNormal);
    void Start();
    void Wait();  // a thread not yet started is let go without running

private:
    enum class State { Created, Started, Discarded };
    void Main();

    std::function<void()> body_;
    int raise_ = 0;
    std::mutex mutex_;
    std::condition_variable changed_;
    State state_ = State::Created;
    std::thread thread_;
};

}  // namespace serial

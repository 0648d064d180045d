#include "tests/serial/CommFixture.h"

#include <algorithm>
#include <string>
#include <thread>

#include "serial/EventFd.h"

namespace serialtest {

bool ThreadsBackTo(int count) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(2);
    while (ThreadCount() != count) {
        if (std::chrono::steady_clock::now() >= deadline) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return true;
}

CommTest::CommTest() {
    comm.SetCommName(pty.slavePath());
    // The values after construction would swallow 0x11 and 0x13.
    comm.SetOutx_XonXoffFlow(false);
    comm.SetInx_XonXoffFlow(false);
    comm.OnReceiveData = [this](serial::TComm&, const std::uint8_t* buffer, std::uint16_t length) {
        blocks.push_back({std::string(reinterpret_cast<const char*>(buffer), length), Clock::now(),
                          buffer[length] == 0});
    };
    comm.OnSendDataEmpty = [this](serial::TComm& sender) {
        ++sendEmpty;
        sendEmptySerials.push_back(sender.NotificationOpenSerial());
    };
    comm.OnRequestHangup = [this](serial::TComm&) { ++hangups; };
}

bool CommTest::PumpUntil(const std::function<bool()>& done, std::chrono::milliseconds limit) {
    const auto deadline = Clock::now() + limit;
    for (;;) {
        comm.ProcessNotifications();
        if (done()) return true;
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
        if (left.count() <= 0) return false;
        // Short slices, so that conditions other than notifications are seen too.
        serial::WaitReadable(comm.NotifyFd(), static_cast<int>(std::min<long long>(left.count(), 10)));
    }
}

void CommTest::PumpFor(std::chrono::milliseconds span) {
    PumpUntil([] { return false; }, span);
}

std::pair<std::string, std::string> OpenError(serial::TComm& comm) {
    try {
        comm.OpenPort();
    } catch (const serial::ECommsError& e) {
        return {e.what(), e.Reason()};
    }
    return {};
}

std::string CommTest::AllReceived() const {
    std::string all;
    for (const Received& b : blocks) all += b.bytes;
    return all;
}

}  // namespace serialtest

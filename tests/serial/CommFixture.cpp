#include "tests/serial/CommFixture.h"

#include <dirent.h>

#include <algorithm>
#include <fstream>
#include <string>

namespace serialtest {

namespace {

bool IsComponentThread(const std::string& tid) {
    std::ifstream comm("/proc/self/task/" + tid + "/comm");
    std::string name;
    std::getline(comm, name);
    return name.rfind("TComm ", 0) == 0;
}

int EntriesIn(const char* dir) {
    int n = 0;
    if (DIR* d = ::opendir(dir)) {
        while (const dirent* e = ::readdir(d))
            if (e->d_name[0] != '.') ++n;
        ::closedir(d);
    }
    return n;
}

}  // namespace

int OpenDescriptorCount() { return EntriesIn("/proc/self/fd") - 1; }  // less the directory's own
int ThreadCount() {
    int n = 0;
    if (DIR* d = ::opendir("/proc/self/task")) {
        while (const dirent* e = ::readdir(d))
            if (e->d_name[0] != '.' && IsComponentThread(e->d_name)) ++n;
        ::closedir(d);
    }
    return n;
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
        pollfd p{comm.NotifyFd(), POLLIN, 0};
        // Short slices, so that conditions other than notifications are seen too.
        ::poll(&p, 1, static_cast<int>(std::min<long>(left.count(), 10)));
    }
}

void CommTest::PumpFor(std::chrono::milliseconds span) {
    PumpUntil([] { return false; }, span);
}

std::string CommTest::AllReceived() const {
    std::string all;
    for (const Received& b : blocks) all += b.bytes;
    return all;
}

}  // namespace serialtest

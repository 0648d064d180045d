// Throughput and block-close latency of the serial component, on Linux and,
// built for Windows, under Wine (where the pair is pty_hub's null-modem pair
// of COM ports): the two figures that compare the port I/O of the platforms.
// Run: build/bench/serial_wire_bench [MiB]
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <thread>
#include <vector>

#include "serial/EventFd.h"
#include "serial/TComm.h"
#include "tests/util/PtyPair.h"

namespace {

using Clock = std::chrono::steady_clock;

void Pump(serial::TComm& comm, const std::function<bool()>& done) {
    while (!done()) {
        serial::WaitReadable(comm.NotifyFd(), 100);
        comm.ProcessNotifications();
    }
}

void Prepare(serial::TComm& comm, const testutil::PtyPair& pty) {
    comm.SetCommName(pty.slavePath());
    comm.SetOutx_XonXoffFlow(false);
    comm.SetInx_XonXoffFlow(false);
}

void Throughput(std::size_t mebibytes) {
    testutil::PtyPair pty;
    std::vector<std::uint8_t> data(mebibytes << 20);
    for (std::size_t i = 0; i < data.size(); ++i) data[i] = static_cast<std::uint8_t>(i * 7 + i / 251);
    serial::TComm comm;
    Prepare(comm, pty);
    std::size_t received = 0, blocks = 0;
    bool intact = true;
    comm.OnReceiveData = [&](serial::TComm&, const std::uint8_t* b, std::uint16_t n) {
        intact = intact && received + n <= data.size() &&
                 std::equal(b, b + n, data.begin() + static_cast<long>(received));
        received += n;
        ++blocks;
    };
    comm.OpenPort();
    const auto start = Clock::now();
    std::thread device([&] { pty.write(data); });
    Pump(comm, [&] { return received >= data.size(); });
    const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
    device.join();
    std::printf("throughput, %zu MiB: %.1f MB/s in %zu blocks, data %s\n", mebibytes, data.size() / seconds / 1e6,
                blocks, intact ? "intact" : "DAMAGED");
}

void BlockLatency() {
    testutil::PtyPair pty;
    serial::TComm comm;
    Prepare(comm, pty);
    Clock::time_point at;
    bool got = false;
    comm.OnReceiveData = [&](serial::TComm&, const std::uint8_t*, std::uint16_t) {
        at = Clock::now();
        got = true;
    };
    comm.OpenPort();
    std::vector<double> beyond;
    for (int i = 0; i < 50; ++i) {
        got = false;
        const auto written = Clock::now();
        pty.write("PPPPPP#QX1#");
        Pump(comm, [&] { return got; });
        beyond.push_back(std::chrono::duration<double, std::milli>(at - written).count() - comm.ReadIntervalTimeout());
    }
    std::sort(beyond.begin(), beyond.end());
    std::printf("block close latency over 50 blocks, beyond the %u ms interval: median %.2f ms, maximum %.2f ms\n",
                comm.ReadIntervalTimeout(), beyond[beyond.size() / 2], beyond.back());
}

}  // namespace

int main(int argc, char** argv) {
    const long mebibytes = argc > 1 ? std::strtol(argv[1], nullptr, 10) : 16;
    if (mebibytes <= 0 || mebibytes > 1024) {
        std::fputs("usage: serial_wire_bench [MiB, 1 to 1024]\n", stderr);
        return 2;
    }
    Throughput(static_cast<std::size_t>(mebibytes));
    BlockLatency();
    return 0;
}

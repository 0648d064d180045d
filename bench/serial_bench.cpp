// Figures for the serial port component over pseudo-terminals: throughput
// against a raw read loop, block close latency, idle cost of the threads, and
// open/close cycles. Run: build/bench/serial_bench
#include <dirent.h>
#include <fcntl.h>
#include <poll.h>
#include <sys/utsname.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <functional>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "PtyPair.h"
#include "TComm.h"

namespace {

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

constexpr std::size_t ThroughputBytes = 64u << 20;

double Seconds(Clock::duration d) { return std::chrono::duration<double>(d).count(); }
double Millis(Clock::duration d) { return std::chrono::duration<double, std::milli>(d).count(); }

void Pump(serial::TComm& comm, const std::function<bool()>& done) {
    while (!done()) {
        pollfd p{comm.NotifyFd(), POLLIN, 0};
        ::poll(&p, 1, 100);
        comm.ProcessNotifications();
    }
}

std::set<std::string> Entries(const std::string& dir) {
    std::set<std::string> names;
    if (DIR* d = ::opendir(dir.c_str())) {
        while (const dirent* e = ::readdir(d))
            if (e->d_name[0] != '.') names.insert(e->d_name);
        ::closedir(d);
    }
    return names;
}

long ContextSwitches(const std::string& tid) {
    std::ifstream status("/proc/self/task/" + tid + "/status");
    long total = 0;
    std::string line;
    while (std::getline(status, line))
        if (line.rfind("voluntary_ctxt_switches:", 0) == 0 || line.rfind("nonvoluntary_ctxt_switches:", 0) == 0)
            total += std::stol(line.substr(line.find(':') + 1));
    return total;
}

void Prepare(serial::TComm& comm, const testutil::PtyPair& pty) {
    comm.SetCommName(pty.slavePath());
    comm.SetBaudRate(115200);
    comm.SetOutx_XonXoffFlow(false);
    comm.SetInx_XonXoffFlow(false);
}

std::vector<std::uint8_t> Pattern(std::size_t n) {
    std::vector<std::uint8_t> bytes(n);
    for (std::size_t i = 0; i < n; ++i) bytes[i] = static_cast<std::uint8_t>(i * 131 + (i >> 11));
    return bytes;
}

void Throughput() {
    const std::vector<std::uint8_t> data = Pattern(ThroughputBytes);

    double componentSeconds = 0;
    std::size_t blocks = 0;
    bool intact = true;
    {
        testutil::PtyPair pty;
        serial::TComm comm;
        Prepare(comm, pty);
        std::size_t received = 0;
        comm.OnReceiveData = [&](serial::TComm&, const std::uint8_t* b, std::uint16_t n) {
            intact = intact && std::equal(b, b + n, data.begin() + static_cast<long>(received));
            received += n;
            ++blocks;
        };
        comm.OpenPort();
        const auto start = Clock::now();
        std::thread device([&] { pty.write(data); });
        Pump(comm, [&] { return received >= data.size(); });
        componentSeconds = Seconds(Clock::now() - start);
        device.join();
    }

    // The ceiling: a plain blocking read loop on a pair of the same kind.
    const auto rawLoop = [&](std::size_t readSize) {
        testutil::PtyPair pty;
        const int fd = ::open(pty.slavePath().c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
        std::vector<char> buffer(readSize);
        std::size_t received = 0;
        const auto start = Clock::now();
        std::thread device([&] { pty.write(data); });
        while (received < data.size()) {
            const ssize_t n = ::read(fd, buffer.data(), buffer.size());
            if (n <= 0) break;
            received += static_cast<std::size_t>(n);
        }
        const double seconds = Seconds(Clock::now() - start);
        device.join();
        ::close(fd);
        return seconds;
    };
    const double rawSeconds = rawLoop(65536);
    const double raw2048Seconds = rawLoop(2048);
    const double mb = static_cast<double>(ThroughputBytes) / 1e6;
    std::printf("throughput, 64 MiB through a pseudo-terminal:\n");
    std::printf("  component into OnReceiveData: %8.1f MB/s  (%zu blocks, data %s)\n", mb / componentSeconds, blocks,
                intact ? "intact" : "CORRUPTED");
    std::printf("  raw read loop (64 KiB reads): %8.1f MB/s\n", mb / rawSeconds);
    std::printf("  raw read loop (2 KiB reads):  %8.1f MB/s\n", mb / raw2048Seconds);
    std::printf("  ratio component/raw (64 KiB): %8.2f\n", rawSeconds / componentSeconds);
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
        pty.write("PPPPPP#QX1#");
        const auto written = Clock::now();
        Pump(comm, [&] { return got; });
        beyond.push_back(Millis(at - written) - comm.ReadIntervalTimeout());
    }
    std::sort(beyond.begin(), beyond.end());
    std::printf("block close latency over 50 blocks, beyond the %u ms interval:\n", comm.ReadIntervalTimeout());
    std::printf("  median %.2f ms, maximum %.2f ms\n", beyond[beyond.size() / 2], beyond.back());
}

void IdleCost() {
    testutil::PtyPair pty;
    serial::TComm comm;
    Prepare(comm, pty);
    const std::set<std::string> before = Entries("/proc/self/task");
    comm.OpenPort();
    std::this_thread::sleep_for(200ms);  // past the writer's first idle notice
    comm.ProcessNotifications();
    std::vector<std::string> threads;
    for (const std::string& tid : Entries("/proc/self/task"))
        if (!before.count(tid)) threads.push_back(tid);
    long start = 0;
    for (const std::string& tid : threads) start += ContextSwitches(tid);
    std::this_thread::sleep_for(5s);
    long end = 0;
    for (const std::string& tid : threads) end += ContextSwitches(tid);
    std::printf("idle cost, port open and silent for 5 s:\n");
    std::printf("  %ld context switches of the component's %zu threads\n", end - start, threads.size());
}

void OpenClose() {
    testutil::PtyPair pty;
    serial::TComm comm;
    Prepare(comm, pty);
    comm.SetReadIntervalTimeout(1);  // so a cycle is not mostly the 100 ms of quiet
    bool got = false;
    comm.OnReceiveData = [&](serial::TComm&, const std::uint8_t*, std::uint16_t) { got = true; };
    const std::size_t fds = Entries("/proc/self/fd").size();
    const std::size_t threads = Entries("/proc/self/task").size();
    constexpr int Cycles = 1000;
    const auto start = Clock::now();
    for (int i = 0; i < Cycles; ++i) {
        comm.OpenPort();
        comm.SendData("PPPPPP#VAR#", 11);
        pty.readAtLeast(11, 5s);
        got = false;
        pty.write("VAR:OK#");
        Pump(comm, [&] { return got; });
        comm.ClosePort();
    }
    const double seconds = Seconds(Clock::now() - start);
    comm.ProcessNotifications();
    std::printf("open/close, %d cycles of open, send, receive, close (interval 1 ms):\n", Cycles);
    std::printf("  %.0f cycles/s; descriptors %zu -> %zu, threads %zu -> %zu\n", Cycles / seconds, fds,
                Entries("/proc/self/fd").size(), threads, Entries("/proc/self/task").size());
}

}  // namespace

int main() {
    utsname u{};
    ::uname(&u);
    std::printf("serial_bench on %s %s, %u hardware threads\n\n", u.sysname, u.release,
                std::thread::hardware_concurrency());
    Throughput();
    BlockLatency();
    IdleCost();
    OpenClose();
    return 0;
}

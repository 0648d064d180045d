// Figures for the serial port component over pseudo-terminals: throughput
// against a raw read loop and QSerialPort (where installed), memory while the
// owner does not drain, block close latency, idle cost of the threads, and
// open/close cycles. Run: build/bench/serial_bench
#include <dirent.h>
#include <fcntl.h>
#include <poll.h>
#include <sys/utsname.h>
#include <unistd.h>

#include <malloc.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <functional>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "commission/WriteAll.h"
#include "tests/util/PtyPair.h"
#include "serial/TComm.h"

#ifdef TQ_BENCH_QSERIALPORT
#include <QCoreApplication>
#include <QEventLoop>
#include <QSerialPort>
#endif

namespace {

std::string_view AsText(const std::vector<std::uint8_t>& bytes) {
    return {reinterpret_cast<const char*>(bytes.data()), bytes.size()};
}

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

std::string LoadAverage() {
    std::ifstream loadavg("/proc/loadavg");
    std::string one, five, fifteen;
    loadavg >> one >> five >> fifteen;
    return one + " " + five + " " + fifteen;
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

// Writes every byte to the device's side of the pair.

// What one receiver made of the data: how long it took, in how many pieces
// (reads or blocks), and whether every byte came through in order.
struct Outcome {
    double seconds = 0;
    std::size_t pieces = 0;
    bool intact = true;
};

// Checks each piece against the data where it should sit.
struct Checker {
    explicit Checker(const std::vector<std::uint8_t>& bytes) : data(bytes) {}
    const std::vector<std::uint8_t>& data;
    std::size_t received = 0;
    Outcome outcome;
    void Piece(const void* bytes, std::size_t n) {
        const auto* b = static_cast<const std::uint8_t*>(bytes);
        outcome.intact = outcome.intact && received + n <= data.size() &&
                         std::equal(b, b + n, data.begin() + static_cast<long>(received));
        received += n;
        ++outcome.pieces;
    }
    bool Done() const { return received >= data.size(); }
};

// The ceiling: a plain blocking read loop, 64 KiB a read.
Outcome RawReadLoop(const testutil::PtyPair& pty, const std::vector<std::uint8_t>& data) {
    Checker check(data);
    const int fd = ::open(pty.slavePath().c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) return {.intact = false};
    std::vector<std::uint8_t> buffer(64 * 1024);
    const auto start = Clock::now();
    std::thread device([&] { commission::WriteAll(pty.master(), AsText(data)); });
    while (!check.Done()) {
        const ssize_t n = ::read(fd, buffer.data(), buffer.size());
        if (n <= 0) break;
        check.Piece(buffer.data(), static_cast<std::size_t>(n));
    }
    check.outcome.seconds = Seconds(Clock::now() - start);
    device.join();
    ::close(fd);
    return check.outcome;
}

// The component: blocks into OnReceiveData, drained on this (the owner's) thread.
Outcome Component(const testutil::PtyPair& pty, const std::vector<std::uint8_t>& data) {
    Checker check(data);
    serial::TComm comm;
    Prepare(comm, pty);
    comm.OnReceiveData = [&](serial::TComm&, const std::uint8_t* b, std::uint16_t n) { check.Piece(b, n); };
    comm.OpenPort();
    const auto start = Clock::now();
    std::thread device([&] { commission::WriteAll(pty.master(), AsText(data)); });
    Pump(comm, [&] { return check.Done(); });
    check.outcome.seconds = Seconds(Clock::now() - start);
    device.join();
    return check.outcome;
}

#ifdef TQ_BENCH_QSERIALPORT
// Qt's general-purpose port: readyRead, then everything available.
Outcome QtSerialPort(const testutil::PtyPair& pty, const std::vector<std::uint8_t>& data) {
    Checker check(data);
    QSerialPort port;
    port.setPortName(QString::fromStdString(pty.slavePath()));
    if (!port.open(QIODevice::ReadWrite)) return {.intact = false};
    port.setBaudRate(115200);
    port.setFlowControl(QSerialPort::NoFlowControl);
    QEventLoop loop;
    QObject::connect(&port, &QSerialPort::readyRead, [&] {
        const QByteArray bytes = port.readAll();
        check.Piece(bytes.constData(), static_cast<std::size_t>(bytes.size()));
        if (check.Done()) loop.quit();
    });
    const auto start = Clock::now();
    std::thread device([&] { commission::WriteAll(pty.master(), AsText(data)); });
    loop.exec();
    check.outcome.seconds = Seconds(Clock::now() - start);
    device.join();
    port.close();
    return check.outcome;
}
#endif

struct Receiver {
    const char* name;
    Outcome (*run)(const testutil::PtyPair&, const std::vector<std::uint8_t>&);
    std::vector<double> rates{};  // MB/s, one per repetition
    std::size_t pieces = 0;
    bool intact = true;
};

struct Range {
    double low, high;
};
Range RangeOf(const std::vector<double>& v) { return {*std::min_element(v.begin(), v.end()), *std::max_element(v.begin(), v.end())}; }

void PrintRatio(const char* what, const Receiver& a, const Receiver& b) {
    std::vector<double> ratios;
    for (std::size_t i = 0; i < a.rates.size(); ++i) ratios.push_back(a.rates[i] / b.rates[i]);
    const Range r = RangeOf(ratios);
    std::printf("  ratio %-26s %5.2f - %.2f  (per repetition:", what, r.low, r.high);
    for (double x : ratios) std::printf(" %.2f", x);
    std::printf(")\n");
}

// The same pair and the same data for every receiver, in interleaved
// repetitions, so that a change of load touches them alike.
void Throughput() {
    constexpr int Repetitions = 3;
    const std::vector<std::uint8_t> data = Pattern(ThroughputBytes);
    std::vector<Receiver> receivers = {
        {.name = "raw read loop (64 KiB reads)", .run = RawReadLoop},
#ifdef TQ_BENCH_QSERIALPORT
        {.name = "QSerialPort (readAll)", .run = QtSerialPort},
#endif
        {.name = "component (OnReceiveData)", .run = Component},
    };
    testutil::PtyPair pty;
    for (int i = 0; i < Repetitions; ++i) {
        for (Receiver& r : receivers) {
            const Outcome o = r.run(pty, data);
            r.rates.push_back(static_cast<double>(ThroughputBytes) / 1e6 / o.seconds);
            r.pieces = o.pieces;
            r.intact = r.intact && o.intact;
        }
    }
    std::printf("throughput, 64 MiB through one pseudo-terminal pair, %d interleaved repetitions:\n", Repetitions);
    for (const Receiver& r : receivers) {
        const Range range = RangeOf(r.rates);
        std::printf("  %-30s %7.1f - %7.1f MB/s  (%zu pieces, data %s)\n", r.name, range.low, range.high, r.pieces,
                    r.intact ? "intact" : "CORRUPTED");
    }
    const Receiver& raw = receivers.front();
    const Receiver& component = receivers.back();
    PrintRatio("component / raw:", component, raw);
#ifdef TQ_BENCH_QSERIALPORT
    PrintRatio("component / QSerialPort:", component, receivers[1]);
    PrintRatio("QSerialPort / raw:", receivers[1], raw);
#else
    std::printf("  (QSerialPort not measured: built without qt6-serialport-dev)\n");
#endif
}

long ResidentKiB() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind("VmRSS:", 0) == 0) return std::stol(line.substr(6));
    return 0;
}

// The owner busy (a modal box, say) while the peer writes 64 MiB: memory
// stays bounded, and once the owner drains, every byte arrives.
void OwnerNotDraining() {
    const std::vector<std::uint8_t> data = Pattern(ThroughputBytes);
    Checker check(data);
    testutil::PtyPair pty;
    serial::TComm comm;
    Prepare(comm, pty);
    comm.OnReceiveData = [&](serial::TComm&, const std::uint8_t* b, std::uint16_t n) { check.Piece(b, n); };
    ::malloc_trim(0);
    const long before = ResidentKiB();
    comm.OpenPort();
    std::atomic<bool> allWritten{false};
    std::thread device([&] {
        commission::WriteAll(pty.master(), AsText(data));
        allWritten = true;
    });
    long peak = before;
    for (int i = 0; i < 30; ++i) {  // 3 s without draining
        std::this_thread::sleep_for(100ms);
        peak = std::max(peak, ResidentKiB());
    }
    const bool peerHeldUp = !allWritten;
    Pump(comm, [&] { return check.Done(); });
    device.join();
    std::printf("owner not draining for 3 s while the peer writes 64 MiB:\n");
    std::printf("  memory growth %.1f MiB (bound %zu KiB of blocks); peer %s\n",
                static_cast<double>(peak - before) / 1024.0, serial::OwnerQueueBytes / 1024,
                peerHeldUp ? "held up in the driver meanwhile" : "had written everything");
    std::printf("  after draining: %zu bytes in %zu blocks, data %s\n", check.received, check.outcome.pieces,
                check.outcome.intact && check.received == data.size() ? "intact" : "CORRUPTED");
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

int main(int argc, char** argv) {
#ifdef TQ_BENCH_QSERIALPORT
    QCoreApplication app(argc, argv);
#endif
    const struct {
        const char* name;
        void (*run)();
    } sections[] = {
        {.name = "memory", .run = OwnerNotDraining}, {.name = "throughput", .run = Throughput},
        {.name = "latency", .run = BlockLatency},    {.name = "idle", .run = IdleCost},
        {.name = "openclose", .run = OpenClose},
    };
    // Names given on the command line choose sections; none: all of them.
    std::set<std::string> chosen(argv + 1, argv + argc);
    for (const std::string& name : chosen) {
        if (std::none_of(std::begin(sections), std::end(sections), [&](const auto& s) { return name == s.name; })) {
            std::fprintf(stderr, "usage: serial_bench [memory] [throughput] [latency] [idle] [openclose]\n");
            return 2;
        }
    }
    utsname u{};
    ::uname(&u);
    std::printf("serial_bench on %s %s, %u hardware threads\n", u.sysname, u.release,
                std::thread::hardware_concurrency());
    std::printf("load average at start: %s\n\n", LoadAverage().c_str());
    for (const auto& section : sections)
        if (chosen.empty() || chosen.count(section.name)) section.run();
    std::printf("\nload average at end: %s\n", LoadAverage().c_str());
    return 0;
}

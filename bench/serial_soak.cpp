// Soak of the serial port component: many open -> exchange -> close cycles
// against a pseudo-terminal peer, then many peer hang-ups while a read is
// pending. Descriptors and threads must end where they started; built with
// -fsanitize=leak, LeakSanitizer checks the heap at exit. Prints figures and
// fails (exit 1) when a reply went wrong or something was left behind.
//   serial_soak [--cycles N] [--hangups N]      (defaults 10000 and 1000)
#include <dirent.h>
#include <malloc.h>
#include <poll.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <string>

#include "tests/util/PtyPair.h"
#include "serial/TComm.h"

namespace {

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

std::size_t Count(const char* dir) {
    std::size_t n = 0;
    if (DIR* d = ::opendir(dir)) {
        while (const dirent* e = ::readdir(d)) n += e->d_name[0] != '.';
        ::closedir(d);
    }
    return n;
}

struct Snapshot {
    std::size_t descriptors = Count("/proc/self/fd");
    std::size_t threads = Count("/proc/self/task");
    std::size_t heap = mallinfo2().uordblks;  // 0 under a sanitizer's allocator
};

// Runs the owner's side until done() holds; false when `limit` passed first.
bool Pump(serial::TComm& comm, const std::function<bool()>& done, Clock::duration limit = 10s) {
    const auto end = Clock::now() + limit;
    while (!done()) {
        if (Clock::now() > end) return false;
        pollfd p{comm.NotifyFd(), POLLIN, 0};
        ::poll(&p, 1, 100);
        comm.ProcessNotifications();
    }
    return true;
}

void Prepare(serial::TComm& comm, const std::string& path) {
    comm.SetCommName(path);
    comm.SetBaudRate(115200);
    comm.SetOutx_XonXoffFlow(false);
    comm.SetInx_XonXoffFlow(false);
    comm.SetReadIntervalTimeout(1);  // a cycle is not mostly the 100 ms of quiet
}

// Descriptors and threads from start to end; the heap from `warm` (after the
// allocator's first caches filled) to end.
void Report(const Snapshot& start, const Snapshot& warm, const Snapshot& end) {
    std::printf("  descriptors %zu -> %zu, threads %zu -> %zu", start.descriptors, end.descriptors, start.threads,
                end.threads);
    if (warm.heap || end.heap) std::printf("; heap in use %zu -> %zu bytes", warm.heap, end.heap);
    std::printf("\n");
}

bool Same(const Snapshot& a, const Snapshot& b) { return a.descriptors == b.descriptors && a.threads == b.threads; }

// Open, send a numbered command, answer it from the peer, check what arrived, close.
int Cycles(int count) {
    testutil::PtyPair pty;
    int failures = 0;
    const Snapshot start;
    Snapshot warm;
    const auto began = Clock::now();
    {
        serial::TComm comm;
        Prepare(comm, pty.slavePath());
        std::string received;
        comm.OnReceiveData = [&](serial::TComm&, const std::uint8_t* b, std::uint16_t n) {
            received.append(reinterpret_cast<const char*>(b), n);
        };
        for (int i = 0; i < count; ++i) {
            if (i == 100) warm = Snapshot{};
            const std::string command = "PPPPPP#COMR0" + std::to_string(i % 6 + 1) + "#";
            const std::string reply = "COMR" + std::to_string(i % 6 + 1) + ":1,02," + std::to_string(1000 + i % 9000);
            try {
                comm.OpenPort();
            } catch (const std::exception& e) {
                std::printf("  cycle %d: open failed: %s\n", i, e.what());
                ++failures;
                continue;
            }
            received.clear();
            const bool sent = comm.SendData(command.data(), static_cast<std::uint16_t>(command.size()));
            const std::string wire = pty.readAtLeast(command.size(), 5s);
            pty.write(reply);
            const bool arrived = Pump(comm, [&] { return received.size() >= reply.size(); });
            if (!sent || wire != command || !arrived || received != reply) {
                if (failures < 5)
                    std::printf("  cycle %d: sent %d, wire '%s', received '%s'\n", i, sent, wire.c_str(),
                                received.c_str());
                ++failures;
            }
            comm.ClosePort();
            comm.ProcessNotifications();
        }
    }
    const double seconds = std::chrono::duration<double>(Clock::now() - began).count();
    const Snapshot end;
    std::printf("open -> exchange -> close: %d cycles in %.1f s (%.0f/s), %d failed\n", count, seconds,
                count / seconds, failures);
    Report(start, count > 100 ? warm : start, end);
    return failures + !Same(start, end);
}

// Each time a fresh peer: open, one exchange so the reader sits in a read
// with nothing to come, then the peer hangs up.
int Hangups(int count) {
    int failures = 0;
    const Snapshot start;
    Snapshot warm = start;
    const auto began = Clock::now();
    {
        serial::TComm comm;
        int hangups = 0;
        bool got = false;
        comm.OnRequestHangup = [&](serial::TComm&) { ++hangups; };
        comm.OnReceiveData = [&](serial::TComm&, const std::uint8_t*, std::uint16_t) { got = true; };
        for (int i = 0; i < count; ++i) {
            if (i == 100) warm = Snapshot{};
            testutil::PtyPair pty;
            Prepare(comm, pty.slavePath());
            try {
                comm.OpenPort();
            } catch (const std::exception& e) {
                std::printf("  hang-up %d: open failed: %s\n", i, e.what());
                ++failures;
                continue;
            }
            got = false;
            pty.write("VAR:OK#");
            const bool exchanged = Pump(comm, [&] { return got; });
            const int before = hangups;
            pty.closeMaster();
            const bool noticed = Pump(comm, [&] { return hangups > before; });
            comm.ClosePort();
            comm.ProcessNotifications();
            if (!exchanged || !noticed || hangups != before + 1) {
                if (failures < 5)
                    std::printf("  hang-up %d: exchanged %d, noticed %d, hang-ups %d\n", i, exchanged, noticed,
                                hangups - before);
                ++failures;
            }
        }
    }
    const double seconds = std::chrono::duration<double>(Clock::now() - began).count();
    const Snapshot end;
    std::printf("peer hang-ups with a read pending: %d in %.1f s, %d failed\n", count, seconds, failures);
    Report(start, warm, end);
    return failures + !Same(start, end);
}

}  // namespace

int main(int argc, char** argv) {
    int cycles = 10000, hangups = 1000;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        if (i + 1 < argc && a == "--cycles") cycles = std::atoi(argv[++i]);
        else if (i + 1 < argc && a == "--hangups") hangups = std::atoi(argv[++i]);
        else {
            std::fprintf(stderr, "usage: serial_soak [--cycles N] [--hangups N]\n");
            return 2;
        }
    }
    const int failures = Cycles(cycles) + Hangups(hangups);
    std::printf(failures ? "soak: FAILED\n" : "soak: sound\n");
    return failures ? 1 : 0;
}

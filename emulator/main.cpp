// tq410k-emulator: plays the TQ410-K converter on a pseudo-terminal (or on a
// serial device), so the console can be used and tested without hardware.

#include <fcntl.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <optional>
#include <random>
#include <string>
#include <thread>

#include "emulator/Converter.h"
#include "emulator/LinkedPty.h"
#include "emulator/PeerWatch.h"
#include "emulator/StateFile.h"
#include "emulator/PortLink.h"
#include "emulator/WireLog.h"

namespace {

struct Options {
    std::string device;  // a real serial device instead of a pseudo-terminal
    std::string link;    // a fixed path made a symlink to the pseudo-terminal
    std::string state;   // a profile to start from
    std::string wireLog;  // a timeline of the line for tests
    bool noLink = false;
    bool split = false, silent = false, garbage = false;
    int delayMs = 0;
    int hangupAfter = -1;
    int blinkMs = -1;
    int streamMs = 120;
};

volatile std::sig_atomic_t stopRequested = 0;
void OnSignal(int) { stopRequested = 1; }

void Usage() {
    std::fputs(
        "usage: tq410k-emulator [options]\n"
        "  --link PATH        make PATH a symlink to the emulator's port (default on a\n"
        "                     pseudo-terminal: $XDG_RUNTIME_DIR/tq410k-emulator, else\n"
        "                     /tmp/tq410k-emulator-$USER)\n"
        "  --no-link          make no link\n"
        "  --device PATH      answer on this serial device instead of a pseudo-terminal\n"
        "  --state FILE       start configured as the profile FILE says\n"
        "  --split            send every reply in two blocks, 250 ms apart\n"
        "  --delay MS         wait MS milliseconds before every reply\n"
        "  --silent           answer nothing\n"
        "  --garbage          answer random bytes instead of replies\n"
        "  --hangup-after N   close the port after answering N commands\n"
        "  --blink MS         instead of ending, drop the port for MS milliseconds and come\n"
        "                     back on a new pseudo-terminal under the same --link\n"
        "                     (after every command, or every N with --hangup-after N)\n"
        "  --stream-ms MS     interval of the data-monitoring stream (default 120)\n"
        "  --wire-log FILE    write when each command came and each answer went out\n",
        stderr);
}

bool ParseOptions(int argc, char** argv, Options& o) {
    for (int i = 1; i < argc; ++i) {
        std::string a = argv[i];
        auto value = [&]() -> const char* { return i + 1 < argc ? argv[++i] : nullptr; };
        auto number = [&](int& target) {
            const char* v = value();
            if (!v) return false;
            char* end = nullptr;
            long n = std::strtol(v, &end, 10);
            if (*v == '\0' || *end != '\0' || n < 0 || n > 1000000) return false;
            target = static_cast<int>(n);
            return true;
        };
        if (a == "--split") o.split = true;
        else if (a == "--silent") o.silent = true;
        else if (a == "--garbage") o.garbage = true;
        else if (a == "--delay") { if (!number(o.delayMs)) return false; }
        else if (a == "--hangup-after") { if (!number(o.hangupAfter)) return false; }
        else if (a == "--blink") { if (!number(o.blinkMs)) return false; }
        else if (a == "--stream-ms") { if (!number(o.streamMs) || o.streamMs == 0) return false; }
        else if (a == "--no-link") o.noLink = true;
        else if (a == "--link") { const char* v = value(); if (!v) return false; o.link = v; }
        else if (a == "--wire-log") { const char* v = value(); if (!v) return false; o.wireLog = v; }
        else if (a == "--state") { const char* v = value(); if (!v) return false; o.state = v; }
        else if (a == "--device") { const char* v = value(); if (!v) return false; o.device = v; }
        else return false;
    }
    // The default link, before anything that needs to know the link.
    o.link = o.noLink ? "" : emulator::LinkPath(o.link, o.device);
    if (o.blinkMs >= 0) {
        // Only a link can bring the port back under the same name.
        if (o.link.empty() || !o.device.empty()) return false;
        if (o.hangupAfter < 0) o.hangupAfter = 1;
    }
    return true;
}

void WriteAll(int fd, const std::string& bytes) {
    std::size_t done = 0;
    while (done < bytes.size()) {
        ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n > 0) {
            done += static_cast<std::size_t>(n);
        } else if (n < 0 && (errno == EAGAIN || errno == EINTR)) {
            pollfd p{fd, POLLOUT, 0};
            ::poll(&p, 1, 100);
        } else {
            return;
        }
    }
}


}  // namespace

int main(int argc, char** argv) {
    Options options;
    if (argc == 2 && (std::string(argv[1]) == "--help" || std::string(argv[1]) == "-h")) {
        Usage();
        return 0;
    }
    if (!ParseOptions(argc, argv, options)) {
        Usage();
        return 2;
    }
    if (auto refusal = emulator::LinkRefusal(options.link)) {
        std::fprintf(stderr, "tq410k-emulator: %s\n", refusal->c_str());
        return 1;
    }
    std::optional<emulator::LinkClaim> claim;
    try {
        if (!options.link.empty()) claim.emplace(options.link);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "tq410k-emulator: %s\n", e.what());
        return 1;
    }

    emulator::Converter converter;
    if (!options.state.empty()) {
        try {
            emulator::LoadState(converter, options.state);
        } catch (const std::exception& e) {
            std::fprintf(stderr, "tq410k-emulator: %s\n", e.what());
            return 2;
        }
    }

    std::optional<emulator::WireLog> wire;
    try {
        wire.emplace(options.wireLog);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "tq410k-emulator: %s\n", e.what());
        return 2;
    }

    int port = -1;
    std::string path;
    // On a pseudo-terminal: the pair behind the link, renewed when a program
    // dies holding it in exclusive mode.
    std::optional<emulator::LinkedPty> pty;
    std::optional<emulator::PeerWatch> peerWatch;
    if (options.device.empty()) {
        pty.emplace(options.link);
        if (!pty->Renew()) {
            std::fprintf(stderr, "tq410k-emulator: %s\n", pty->Error().c_str());
            return 1;
        }
        peerWatch.emplace(*pty);
        port = pty->Master();
        path = pty->SlavePath();
    } else {
        port = ::open(options.device.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
        if (port < 0) {
            std::fprintf(stderr, "tq410k-emulator: cannot open %s: %s\n", options.device.c_str(),
                         std::strerror(errno));
            return 1;
        }
        emulator::MakeRaw(port);
        path = options.device;
        ::fcntl(port, F_SETFL, ::fcntl(port, F_GETFL) | O_NONBLOCK);
        if (!options.link.empty()) {
            ::unlink(options.link.c_str());  // an old link of an earlier run
            if (::symlink(path.c_str(), options.link.c_str()) != 0) {
                std::fprintf(stderr, "tq410k-emulator: cannot link %s: %s\n", options.link.c_str(),
                             std::strerror(errno));
                return 1;
            }
        }
    }
    std::printf("TQ410-K emulator on %s%s%s\n", path.c_str(), options.link.empty() ? "" : " -> ",
                options.link.c_str());
    std::printf("Type this into \"Serial Port Number:\": %s\n",
                options.link.empty() ? path.c_str() : options.link.c_str());
    std::fflush(stdout);

    std::signal(SIGINT, OnSignal);
    std::signal(SIGTERM, OnSignal);
    std::signal(SIGPIPE, SIG_IGN);

    std::mt19937 random(12345);
    int answered = 0;
    unsigned streamed = 0;
    auto nextStream = std::chrono::steady_clock::now();
    char buffer[4096];
    while (!stopRequested) {
        int timeout = -1;
        if (converter.Monitoring()) {
            auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                nextStream - std::chrono::steady_clock::now());
            timeout = static_cast<int>(std::max<long long>(0, left.count()));
        }
        if (peerWatch && peerWatch->IntervalMs() >= 0)
            timeout = timeout < 0 ? peerWatch->IntervalMs() : std::min(timeout, peerWatch->IntervalMs());
        pollfd p{port, POLLIN, 0};
        int ready = ::poll(&p, 1, timeout);
        if (ready < 0 && errno != EINTR) break;
        if (peerWatch && peerWatch->Check(ready > 0 && (p.revents & POLLHUP))) {
            port = pty->Master();
            std::printf("The program on the port went without closing it; fresh port %s%s%s\n",
                        pty->SlavePath().c_str(), options.link.empty() ? "" : " -> ", options.link.c_str());
            std::fflush(stdout);
            continue;
        }
        if (converter.Monitoring() && std::chrono::steady_clock::now() >= nextStream) {
            // Data monitoring: the converter copies its RS485 traffic to this port.
            char line[64];
            std::snprintf(line, sizeof line, "MON:RS485B 01 03 00 00 00 04 44 09 #%u", ++streamed);
            WriteAll(port, line);
            nextStream = std::chrono::steady_clock::now() + std::chrono::milliseconds(options.streamMs);
        }
        if (ready <= 0 || !(p.revents & (POLLIN | POLLHUP | POLLERR))) continue;
        ssize_t n = ::read(port, buffer, sizeof buffer);
        if (n < 0 && (errno == EAGAIN || errno == EINTR)) continue;
        if (n < 0 && errno == EIO && pty) {
            // Nobody has the console's side open right now: wait and look again.
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
            continue;
        }
        if (n <= 0) break;
        wire->Command(std::string_view(buffer, static_cast<std::size_t>(n)));
        for (auto& reply : converter.Feed(std::string_view(buffer, static_cast<std::size_t>(n)))) {
            if (options.delayMs) std::this_thread::sleep_for(std::chrono::milliseconds(options.delayMs));
            if (options.garbage)
                for (auto& c : reply) c = static_cast<char>(random() & 0xFF);
            if (!options.silent) {
                wire->AnswerStart();
                if (options.split && reply.size() > 1) {
                    WriteAll(port, reply.substr(0, reply.size() / 2));
                    std::this_thread::sleep_for(std::chrono::milliseconds(250));
                    WriteAll(port, reply.substr(reply.size() / 2));
                } else {
                    WriteAll(port, reply);
                }
                int pending = 0;
                if (::ioctl(port, FIONREAD, &pending) != 0) pending = 0;
                wire->AnswerEnd(static_cast<std::size_t>(pending));
            }
            if (converter.Monitoring() && streamed == 0) nextStream = std::chrono::steady_clock::now();
            if (options.hangupAfter >= 0 && ++answered >= options.hangupAfter) {
                // Give the other side time to read the last reply: a hang-up
                // discards what still waits in the terminal's queue.
                std::this_thread::sleep_for(std::chrono::milliseconds(500));
                if (options.blinkMs < 0) {
                    stopRequested = 1;
                } else {
                    pty->Drop();
                    std::this_thread::sleep_for(std::chrono::milliseconds(options.blinkMs));
                    if (!pty->Renew()) {
                        std::fprintf(stderr, "tq410k-emulator: cannot come back: %s\n", pty->Error().c_str());
                        return 1;
                    }
                    port = pty->Master();
                    path = pty->SlavePath();
                    std::printf("TQ410-K emulator back on %s -> %s\n", path.c_str(), options.link.c_str());
                    std::fflush(stdout);
                    answered = 0;
                    break;  // the rest of what came was for the old port
                }
            }
        }
    }
    if (!options.link.empty()) emulator::RemoveLinkIfOurs(options.link, pty ? pty->SlavePath() : path);
    if (!pty) ::close(port);
    return 0;
}

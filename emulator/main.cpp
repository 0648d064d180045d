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

#include "commission/WriteAll.h"
#include "emulator/Converter.h"
#include "emulator/LinkedPty.h"
#include "emulator/ListenLine.h"
#include "emulator/PeerWatch.h"
#include "emulator/StateFile.h"
#include "emulator/Startup.h"
#include "emulator/Options.h"
#include "emulator/PortLink.h"
#include "emulator/Replay.h"
#include "emulator/WireLog.h"

namespace {

using emulator::Options;

volatile std::sig_atomic_t stopRequested = 0;
void OnSignal(int) { stopRequested = 1; }

// The options, with the default link settled before anything that needs to
// know the link; what is wrong when a word or a combination cannot work.
std::optional<std::string> ReadOptions(int argc, char** argv, Options& o) {
    if (auto refusal = emulator::ParseOptions(argc, argv, o)) return refusal;
    if (auto conflict = emulator::ReplayConflict(o)) return conflict;
    o.link = o.noLink ? "" : emulator::LinkPath(o.link, o.device);
    if (o.blinkMs >= 0) {
        // Only a link can bring the port back under the same name.
        if (o.link.empty() || !o.device.empty())
            return "--blink comes back under the pseudo-terminal's link: not with --device or --no-link";
        if (o.hangupAfter < 0) o.hangupAfter = 1;
    }
    return std::nullopt;
}

// The port the emulator answers on: a pseudo-terminal behind the link
// (renewed when a program dies holding it in exclusive mode), or a serial device.
struct Port {
    int fd = -1;
    std::string path;
    std::optional<emulator::LinkedPty> pty;
    std::optional<emulator::PeerWatch> peerWatch;
};

bool OpenPseudoTerminal(const Options& o, Port& port) {
    port.pty.emplace(o.link);
    if (!port.pty->Renew()) {
        std::fprintf(stderr, "tq410k-emulator: %s\n", port.pty->Error().c_str());
        return false;
    }
    port.peerWatch.emplace(*port.pty);
    port.fd = port.pty->Master();
    port.path = port.pty->SlavePath();
    return true;
}

bool OpenDevice(const Options& o, Port& port) {
    port.fd = ::open(o.device.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (port.fd < 0) {
        std::fprintf(stderr, "tq410k-emulator: cannot open %s: %s\n", o.device.c_str(), std::strerror(errno));
        return false;
    }
    if (!::isatty(port.fd)) {
        std::fprintf(stderr, "tq410k-emulator: %s is not a serial port\n", o.device.c_str());
        ::close(port.fd);
        return false;
    }
    emulator::MakeRaw(port.fd);
    if (std::string why; !emulator::SetDeviceLine(port.fd, o, why)) {
        std::fprintf(stderr, "tq410k-emulator: cannot set the line of %s: %s\n", o.device.c_str(), why.c_str());
        ::close(port.fd);
        return false;
    }
    port.path = o.device;
    ::fcntl(port.fd, F_SETFL, ::fcntl(port.fd, F_GETFL) | O_NONBLOCK);
    if (o.link.empty()) return true;
    ::unlink(o.link.c_str());  // an old link of an earlier run
    if (::symlink(port.path.c_str(), o.link.c_str()) != 0) {
        std::fprintf(stderr, "tq410k-emulator: cannot link %s: %s\n", o.link.c_str(), std::strerror(errno));
        return false;
    }
    return true;
}

void Announce(const Options& o, const std::string& path) {
    std::printf("TQ410-K emulator on %s%s%s\n", path.c_str(), o.link.empty() ? "" : " -> ", o.link.c_str());
    std::printf("Type this into \"Serial Port Number:\": %s\n", o.link.empty() ? path.c_str() : o.link.c_str());
    std::fflush(stdout);
}

// The converter answering on the port until a signal, a hang-up or the end of the port.
// Keeps the --save-state file a profile of what the converter stores.
class StateSaver {
public:
    StateSaver(const std::string& path, const emulator::Converter& converter) : path_(path), converter_(converter) {}

    // Writes the file when the state changed since the last write. False, with
    // the reason printed, when it cannot be written.
    bool Save() {
        if (path_.empty() || saved_ == converter_.State()) return true;
        try {
            emulator::SaveState(converter_, path_);
            saved_ = converter_.State();
            return true;
        } catch (const std::exception& e) {
            std::fprintf(stderr, "tq410k-emulator: %s\n", e.what());
            return false;
        }
    }

private:
    const std::string& path_;
    const emulator::Converter& converter_;
    std::optional<emulator::ConverterState> saved_;
};

class Answering {
public:
    // `replay`, when given, answers instead of the converter.
    Answering(const Options& o, emulator::Converter& converter, emulator::Replay* replay, Port& port,
              StateSaver& saver, emulator::WireLog& wire)
        : o_(o), converter_(converter), replay_(replay), port_(port), saver_(saver), wire_(wire) {}

    // The exit status.
    int Run() {
        char buffer[4096];
        while (!stopRequested) {
            const int timeout = PollTimeout();
            pollfd p{port_.fd, POLLIN, 0};
            const int ready = ::poll(&p, 1, timeout);
            if (ready < 0 && errno != EINTR) break;
            if (port_.peerWatch && port_.peerWatch->Check(ready > 0 && (p.revents & POLLHUP))) {
                port_.fd = port_.pty->Master();
                std::printf("The program on the port went without closing it; fresh port %s%s%s\n",
                            port_.pty->SlavePath().c_str(), o_.link.empty() ? "" : " -> ", o_.link.c_str());
                std::fflush(stdout);
                continue;
            }
            if (converter_.Monitoring() && Clock::now() >= nextStream_) Stream();
            if (ready <= 0 || !(p.revents & (POLLIN | POLLHUP | POLLERR))) continue;
            const ssize_t n = ::read(port_.fd, buffer, sizeof buffer);
            if (n < 0 && (errno == EAGAIN || errno == EINTR)) continue;
            if (n < 0 && errno == EIO && port_.pty) {
                // Nobody has the console's side open right now: wait and look again.
                std::this_thread::sleep_for(std::chrono::milliseconds(50));
                continue;
            }
            if (n <= 0) break;
            if (const auto status = Answer(std::string_view(buffer, static_cast<std::size_t>(n)))) return *status;
        }
        return 0;
    }

private:
    using Clock = std::chrono::steady_clock;

    int PollTimeout() const {
        int timeout = -1;
        if (converter_.Monitoring()) {
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(nextStream_ - Clock::now());
            timeout = static_cast<int>(std::max<long long>(0, left.count()));
        }
        if (port_.peerWatch && port_.peerWatch->IntervalMs() >= 0)
            timeout = timeout < 0 ? port_.peerWatch->IntervalMs() : std::min(timeout, port_.peerWatch->IntervalMs());
        return timeout;
    }

    // Data monitoring: the converter copies its RS485 traffic to this port.
    void Stream() {
        char line[64];
        std::snprintf(line, sizeof line, "MON:RS485B 01 03 00 00 00 04 44 09 #%u", ++streamed_);
        commission::WriteAll(port_.fd, line);
        nextStream_ = Clock::now() + std::chrono::milliseconds(o_.streamMs);
    }

    // Answers what came, with the fault switches in force. An exit status
    // when the emulator cannot go on.
    std::optional<int> Answer(std::string_view received) {
        wire_.Command(received);
        // A client at another baud rate: the converter hears no command.
        if (o_.lineGiven && port_.pty && !emulator::ClientLineMatches(port_.fd, o_)) {
            if (o_.garbleMismatch) {
                std::string noise(std::min<std::size_t>(received.size(), 64), '\0');
                for (auto& c : noise) c = static_cast<char>(random_() & 0xFF);
                commission::WriteAll(port_.fd, noise);
            }
            return std::nullopt;
        }
        if (replay_) {
            Replay(received);
            return std::nullopt;
        }
        // A 2-wire RS485 adapter hears its own transmission: the console gets it back first.
        if (o_.echo) commission::WriteAll(port_.fd, received);
        auto replies = converter_.Feed(received);
        // Stored before the answer goes out: whoever has the answer can read the file.
        saver_.Save();
        for (auto& reply : replies) {
            Send(reply);
            if (converter_.Monitoring() && streamed_ == 0) nextStream_ = Clock::now();
            if (o_.hangupAfter >= 0 && ++answered_ >= o_.hangupAfter) {
                if (!HangUp()) return 1;
                if (o_.blinkMs >= 0) break;  // the rest of what came was for the old port
            }
        }
        return std::nullopt;
    }

    void Send(std::string& reply) {
        if (o_.delayMs) std::this_thread::sleep_for(std::chrono::milliseconds(o_.delayMs));
        if (o_.garbage)
            for (auto& c : reply) c = static_cast<char>(random_() & 0xFF);
        if (o_.silent) return;
        wire_.AnswerStart();
        if (o_.split && reply.size() > 1) {
            commission::WriteAll(port_.fd, reply.substr(0, reply.size() / 2));
            std::this_thread::sleep_for(std::chrono::milliseconds(250));
            commission::WriteAll(port_.fd, reply.substr(reply.size() / 2));
        } else {
            commission::WriteAll(port_.fd, reply);
        }
        // What the other side has not read yet is still on its way.
        int pending = 0;
        if (::ioctl(port_.fd, FIONREAD, &pending) != 0) pending = 0;
        wire_.AnswerEnd(static_cast<std::size_t>(pending));
    }

    // Each command the capture holds, answered as captured: its pieces at
    // their times after the command came (after the answer before, for
    // commands that came together).
    void Replay(std::string_view received) {
        auto start = Clock::now();
        for (const auto* exchange : replay_->Feed(received)) {
            if (exchange->pieces.empty()) continue;
            wire_.AnswerStart();
            emulator::PlayBack(
                *exchange, start, [&](std::string_view bytes) { return commission::WriteAll(port_.fd, bytes); },
                [] { return stopRequested != 0; });
            int pending = 0;
            if (::ioctl(port_.fd, FIONREAD, &pending) != 0) pending = 0;
            wire_.AnswerEnd(static_cast<std::size_t>(pending));
            start = std::max(start, Clock::now());
        }
    }

    // Ends the emulator, or with --blink drops the port and comes back on a
    // new one. False when it cannot come back.
    bool HangUp() {
        // Give the other side time to read the last reply: a hang-up
        // discards what still waits in the terminal's queue.
        std::this_thread::sleep_for(std::chrono::milliseconds(500));
        if (o_.blinkMs < 0) {
            stopRequested = 1;
            return true;
        }
        port_.pty->Drop();
        std::this_thread::sleep_for(std::chrono::milliseconds(o_.blinkMs));
        if (!port_.pty->Renew()) {
            std::fprintf(stderr, "tq410k-emulator: cannot come back: %s\n", port_.pty->Error().c_str());
            return false;
        }
        port_.fd = port_.pty->Master();
        port_.path = port_.pty->SlavePath();
        std::printf("TQ410-K emulator back on %s -> %s\n", port_.path.c_str(), o_.link.c_str());
        std::fflush(stdout);
        answered_ = 0;
        return true;
    }

    const Options& o_;
    emulator::Converter& converter_;
    emulator::Replay* replay_;
    Port& port_;
    StateSaver& saver_;
    emulator::WireLog& wire_;
    std::mt19937 random_{12345};
    int answered_ = 0;
    unsigned streamed_ = 0;
    Clock::time_point nextStream_ = Clock::now();
};

}  // namespace

int main(int argc, char** argv) {
    Options options;
    if (emulator::AsksForHelp(argc, argv)) {
        emulator::Usage();
        return 0;
    }
    if (auto refusal = ReadOptions(argc, argv, options)) {
        std::fprintf(stderr, "tq410k-emulator: %s\n(see tq410k-emulator --help)\n", refusal->c_str());
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
    std::optional<emulator::Replay> replay;
    if (!emulator::StartConverter(options, converter, replay)) return 2;

    StateSaver saver(options.saveState, converter);
    if (!saver.Save()) return 2;

    std::optional<emulator::WireLog> wire;
    try {
        wire.emplace(options.wireLog);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "tq410k-emulator: %s\n", e.what());
        return 2;
    }

    Port port;
    if (!(options.device.empty() ? OpenPseudoTerminal(options, port) : OpenDevice(options, port))) return 1;
    Announce(options, port.path);

    std::signal(SIGINT, OnSignal);
    std::signal(SIGTERM, OnSignal);
    std::signal(SIGPIPE, SIG_IGN);

    const int status = Answering(options, converter, replay ? &*replay : nullptr, port, saver, *wire).Run();
    if (status != 0) return status;
    if (!options.link.empty()) emulator::RemoveLinkIfOurs(options.link, port.pty ? port.pty->SlavePath() : port.path);
    if (!port.pty) ::close(port.fd);
    return 0;
}

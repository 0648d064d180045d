// tq410k-emulator for Windows: plays the TQ410-K converter on a COM port,
// e.g. one end of a virtual null-modem pair whose other end the console or
// tq410k-cli opens. There are no pseudo-terminals on Windows, so --device is
// required; the port is opened through the serial component.

// Before <windows.h>, whose macros could otherwise replace names of ours.
#include "emulator/Converter.h"
#include "emulator/Options.h"
#include "emulator/Replay.h"
#include "emulator/Startup.h"
#include "serial/EventFd.h"
#include "serial/TComm.h"

#define WIN32_LEAN_AND_MEAN
#include <windows.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <random>
#include <string>
#include <string_view>
#include <thread>
#include <utility>

namespace {

using emulator::Options;

std::atomic<bool> stopRequested{false};

BOOL WINAPI OnConsoleEvent(DWORD) {
    stopRequested = true;
    return TRUE;
}

// The options this emulator takes: a COM port is required, and nothing that
// needs a pseudo-terminal or a link. What is wrong, when anything is.
std::optional<std::string> ReadOptions(int argc, char** argv, Options& o) {
    if (auto refusal = emulator::ParseOptions(argc, argv, o)) return refusal;
    const struct {
        bool given;
        const char* option;
    } linuxOnly[] = {
        {!o.link.empty(), "--link"},         {o.noLink, "--no-link"},
        {o.blinkMs >= 0, "--blink"},         {!o.wireLog.empty(), "--wire-log"},
        {!o.saveState.empty(), "--save-state"},
    };
    for (const auto& only : linuxOnly)
        if (only.given) return std::string(only.option) + " is not available on Windows";
    if (o.device.empty()) return std::string("--device COMn is required");
    return emulator::ReplayConflict(o);
}

// Hands one reply to the port; false when the port no longer takes it.
bool Send(serial::TComm& port, const std::string& bytes) {
    return bytes.empty() || port.SendData(bytes.data(), bytes.size());
}

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

    emulator::Converter converter;
    std::optional<emulator::Replay> replay;
    if (!emulator::StartConverter(options, converter, replay)) return 2;

    serial::TComm port;
    port.SetCommName(options.device);
    // The port itself garbles what comes at other settings.
    port.SetBaudRate(options.baud);
    port.SetParity(options.parity == 'O'   ? serial::TParity::Odd
                   : options.parity == 'E' ? serial::TParity::Even
                                           : serial::TParity::None);
    port.SetStopBits(options.stopBits == 2 ? serial::TStopBits::_2 : serial::TStopBits::_1);
    // Every byte is data: no software flow control.
    port.SetOutx_XonXoffFlow(false);
    port.SetInx_XonXoffFlow(false);
    port.SetReadIntervalTimeout(10);
    bool lost = false;
    std::string received;
    port.OnReceiveData = [&](serial::TComm&, const std::uint8_t* bytes, std::uint16_t length) {
        received.append(reinterpret_cast<const char*>(bytes), length);
    };
    port.OnRequestHangup = [&](serial::TComm&) { lost = true; };
    try {
        port.OpenPort();
    } catch (const serial::ECommsError& e) {
        std::fprintf(stderr, "tq410k-emulator: cannot open %s: %s%s%s\n", options.device.c_str(), e.what(),
                     e.Reason().empty() ? "" : ": ", e.Reason().c_str());
        return 1;
    }
    std::printf("TQ410-K emulator on %s\n", options.device.c_str());
    std::fflush(stdout);
    ::SetConsoleCtrlHandler(OnConsoleEvent, TRUE);

    std::mt19937 random(12345);
    int answered = 0;
    unsigned streamed = 0;
    auto nextStream = std::chrono::steady_clock::now();
    while (!stopRequested && !lost) {
        // Wake at least every 200 ms to see a stop request.
        int timeout = 200;
        if (converter.Monitoring()) {
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                nextStream - std::chrono::steady_clock::now());
            timeout = static_cast<int>(std::clamp<long long>(left.count(), 0, timeout));
        }
        if (serial::WaitReadable(port.NotifyFd(), timeout)) port.ProcessNotifications();
        if (converter.Monitoring() && std::chrono::steady_clock::now() >= nextStream) {
            // Data monitoring: the converter copies its RS485 traffic to this port.
            char line[64];
            std::snprintf(line, sizeof line, "MON:RS485B 01 03 00 00 00 04 44 09 #%u", ++streamed);
            if (!Send(port, line)) break;
            nextStream = std::chrono::steady_clock::now() + std::chrono::milliseconds(options.streamMs);
        }
        if (received.empty()) continue;
        const std::string bytes = std::exchange(received, {});
        if (replay) {
            // Each command the capture holds, answered as captured.
            auto start = std::chrono::steady_clock::now();
            for (const auto* exchange : replay->Feed(bytes)) {
                emulator::PlayBack(
                    *exchange, start, [&](std::string_view piece) { return Send(port, std::string(piece)); },
                    [] { return stopRequested.load(); });
                start = std::max(start, std::chrono::steady_clock::now());
            }
            continue;
        }
        // A 2-wire RS485 adapter hears its own transmission: the console gets it back first.
        if (options.echo && !Send(port, bytes)) break;
        for (auto& reply : converter.Feed(bytes)) {
            if (options.delayMs) std::this_thread::sleep_for(std::chrono::milliseconds(options.delayMs));
            if (options.garbage)
                for (auto& c : reply) c = static_cast<char>(random() & 0xFF);
            if (!options.silent) {
                if (options.split && reply.size() > 1) {
                    Send(port, reply.substr(0, reply.size() / 2));
                    std::this_thread::sleep_for(std::chrono::milliseconds(250));
                    Send(port, reply.substr(reply.size() / 2));
                } else {
                    Send(port, reply);
                }
            }
            if (converter.Monitoring() && streamed == 0) nextStream = std::chrono::steady_clock::now();
            if (options.hangupAfter >= 0 && ++answered >= options.hangupAfter) {
                // Give the other side time to read the last reply.
                std::this_thread::sleep_for(std::chrono::milliseconds(500));
                stopRequested = true;
                break;
            }
        }
    }
    port.ClosePort();
    if (lost) {
        std::fprintf(stderr, "tq410k-emulator: %s went away\n", options.device.c_str());
        return 1;
    }
    return 0;
}

// Figures for finding a converter whose line settings nobody knows
// (tq410k-cli find): the scan's time in the worst case, when nothing answers
// and all 30 settings are tried, and its time when the converter is at each
// of the 30 settings, with the median.
//
// Against the emulator on a pseudo-terminal, where only the baud rate can be
// seen: the silent port, and the converter at each baud rate (no parity,
// 1 stop bit). For all 30 settings the scan runs against a scripted line on
// a made-up clock: a converter that starts answering 20 ms after the command
// has gone out, at the line's own character time.
// Run: build/bench/find_bench

#include <sys/wait.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "commission/LineScan.h"
#include "tests/util/EmulatorProcess.h"

namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;
using commission::LineScan;
using commission::LineSetting;
using Kind = LineScan::Action::Kind;

double Seconds(Clock::duration d) { return std::chrono::duration<double>(d).count(); }

// The wall time of `tq410k-cli find` on the port, and whether it found a converter.
std::pair<double, bool> TimeFind(const std::string& port) {
    const std::string command = std::string("'") + TQ410K_CLI + "' find --port '" + port + "' >/dev/null 2>&1";
    const auto start = Clock::now();
    const int status = std::system(command.c_str());
    return {Seconds(Clock::now() - start), WIFEXITED(status) && WEXITSTATUS(status) == 0};
}

std::chrono::microseconds CharacterTime(const LineSetting& s) {
    const int bits = 1 + 8 + (s.parity == serial::TParity::None ? 0 : 1) + (s.stopBits == serial::TStopBits::_1 ? 1 : 2);
    return std::chrono::microseconds(bits * 1'000'000 / static_cast<int>(s.baud));
}

// The scan against a scripted converter at `at` (none: a silent line), on a made-up clock.
double ScriptedScan(const std::optional<LineSetting>& at) {
    LineScan scan({});
    commission::TimePoint now{};
    std::optional<std::pair<commission::TimePoint, std::string>> pending;
    auto act = [&](LineScan::Action a) {
        while (a.kind == Kind::Open || a.kind == Kind::Send) {
            if (a.kind == Kind::Open) {
                now += 5ms;  // closing and opening the port
                a = scan.Opened(true);
                continue;
            }
            const auto& cur = scan.CurrentSetting();
            const auto& command = scan.CurrentCommand();
            if (at && at->baud == cur.baud && at->parity == cur.parity) {
                const std::string answer = command == "PPPPPP#VAR#" ? "TQ410-K V3.0(20240127) ADR:001"
                    : "ADR:001,MDO:0,JTM:010,STM:010,00,BADR:00000,00000,MR485Z:3,0,0,MR485A:3,0,0,MR485B:3,0,0";
                pending = {now + CharacterTime(cur) * static_cast<int>(command.size() + answer.size()) + 20ms, answer};
            }
            a = scan.Sent(true, now);
        }
    };
    act(scan.Start());
    while (scan.Running()) {
        const auto wake = scan.WakeAt();
        if (pending && pending->first < *wake) {
            now = pending->first + commission::QuietInterval;  // the reader closes the block after the quiet
            const auto text = pending->second;
            const auto lastByte = pending->first;
            pending.reset();
            act(scan.BlockReceived(text, lastByte));
        } else {
            now = *wake;
            act(scan.Tick(now));
        }
    }
    return Seconds(now - commission::TimePoint{});
}

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v.size() % 2 ? v[v.size() / 2] : (v[v.size() / 2 - 1] + v[v.size() / 2]) / 2;
}

}  // namespace

int main() {
    std::printf("tq410k-cli find against the emulator on a pseudo-terminal\n");
    {
        consoletest::Emulator silent({"--silent"});
        const auto [seconds, found] = TimeFind(silent.port());
        std::printf("  nothing answers, all 30 settings tried: %.2f s%s\n", seconds, found ? " (found?)" : "");
    }
    std::vector<double> real;
    for (const char* baud : {"9600", "19200", "4800", "2400", "1200"}) {
        consoletest::Emulator emulator({"--baud", baud});
        const auto [seconds, found] = TimeFind(emulator.port());
        real.push_back(seconds);
        std::printf("  converter at %5s baud, no parity, 1 stop bit: %.2f s%s\n", baud, seconds,
                    found ? "" : " (NOT FOUND)");
    }
    std::printf("\nthe scan against a scripted line (made-up clock)\n");
    std::printf("  nothing answers, all 30 settings tried: %.2f s\n", ScriptedScan(std::nullopt));
    std::vector<double> scripted;
    for (const auto& s : commission::ScanOrder({})) scripted.push_back(ScriptedScan(s));
    std::printf("  converter at each of the 30 settings: median %.2f s, shortest %.2f s, longest %.2f s\n",
                Median(scripted), *std::min_element(scripted.begin(), scripted.end()),
                *std::max_element(scripted.begin(), scripted.end()));
    return 0;
}

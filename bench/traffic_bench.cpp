// Figures for the traffic log and reconnect: the log's cost on the window's
// receive path (64 MiB streamed into the window with no log, with the log
// recording, and with its window open), and the time from a port's return
// to its being open again. Run: build/bench/traffic_bench
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include <QCheckBox>
#include <QComboBox>
#include <QPushButton>
#include <QTest>

#include "console/Console.h"
#include "console/window/ConsoleApplication.h"
#include "console/window/Form1.h"
#include "tests/util/PtyPair.h"
#include "console/devices/Reconnect.h"
#include "console/traffic/TrafficRecorder.h"

namespace {

using Clock = std::chrono::steady_clock;
namespace fs = std::filesystem;

constexpr std::size_t StreamBytes = 64u << 20;

double Millis(Clock::duration d) { return std::chrono::duration<double, std::milli>(d).count(); }

void OpenOn(console::TForm1& form, const std::string& path) {
    form.findChild<QComboBox*>("SPREALCOM")->setEditText(QString::fromStdString(path));
    form.Button1Click();
}

bool RunUntil(const std::function<bool()>& done, std::chrono::seconds limit) {
    const auto end = Clock::now() + limit;
    while (!done()) {
        if (Clock::now() > end) return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    }
    return true;
}

enum class Variant { NoLog, Recording, WindowOpen };
const char* const VariantNames[] = {"no log", "log recording, window closed", "log window open"};

double ThreadCpuMillis() {
    timespec t{};
    ::clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return t.tv_sec * 1e3 + t.tv_nsec / 1e6;
}

struct StreamFigures {
    double megabytesPerSecond;  // wall clock: shows the machine's load too
    double windowCpuMillis;     // CPU time of the window's thread: the receive path's own cost
};

// A 64 MiB stream that the window drops block by block (no command was
// sent), as a converter streaming unasked.
StreamFigures StreamIntoWindow(Variant variant, const std::string& data) {
    const auto made = console::MakeConsole();
    console::TForm1& form = *made;
    form.show();
    auto* recorder = form.findChild<console::TrafficRecorder*>();
    if (variant == Variant::NoLog) QObject::disconnect(&form, nullptr, recorder, nullptr);
    if (variant == Variant::WindowOpen) form.findChild<QPushButton*>("TrafficButton")->click();
    testutil::PtyPair pty;
    OpenOn(form, pty.slavePath());
    std::size_t received = 0;
    QObject::connect(&form, &console::TForm1::BlockReceived, &form,
                     [&](const QByteArray& block, bool) { received += static_cast<std::size_t>(block.size()); });
    const auto start = Clock::now();
    const double cpuStart = ThreadCpuMillis();
    std::thread device([&] { pty.write(data); });
    const bool done = RunUntil([&] { return received >= data.size(); }, std::chrono::seconds(300));
    const auto elapsed = Clock::now() - start;
    const double cpu = ThreadCpuMillis() - cpuStart;
    device.join();
    if (!done) std::printf("  (stream incomplete: %zu of %zu bytes)\n", received, data.size());
    return {data.size() / 1e6 / (Millis(elapsed) / 1000), cpu};
}

// Microseconds per 2048-byte block that the window's BlockReceived costs
// with the log's recorder listening, and without. The ring is filled first:
// its first fill also pays for fresh memory (page faults), later blocks reuse it.
std::pair<double, double> RecorderCostPerBlock(const std::string& data) {
    const auto made = console::MakeConsole();
    console::TForm1& form = *made;
    const QByteArray block(data.data(), 2048);
    constexpr int Blocks = 32768;
    for (int i = 0; i < Blocks + 1000; ++i) emit form.BlockReceived(block, false);
    auto time = [&] {
        const double start = ThreadCpuMillis();
        for (int i = 0; i < Blocks; ++i) emit form.BlockReceived(block, false);
        return (ThreadCpuMillis() - start) * 1000 / Blocks;
    };
    const double with = time();
    QObject::disconnect(&form, nullptr, form.findChild<console::TrafficRecorder*>(), nullptr);
    return {with, time()};
}

// Milliseconds from a port's link coming back to the port being open again.
std::vector<double> ReconnectTimes(int rounds) {
    const auto made = console::MakeConsole();
    console::TForm1& form = *made;
    form.show();
    form.findChild<QCheckBox*>("ReconnectCheck")->setChecked(true);
    auto* reconnect = form.findChild<console::Reconnect*>();
    char pattern[] = "/tmp/tq410k-bench.XXXXXX";
    if (!::mkdtemp(pattern)) return {};
    const fs::path dir = pattern, link = dir / "port";
    auto pty = std::make_unique<testutil::PtyPair>();
    fs::create_symlink(pty->slavePath(), link);
    OpenOn(form, link.string());
    std::vector<double> times;
    for (int i = 0; i < rounds; ++i) {
        fs::remove(link);
        pty->closeMaster();
        if (!RunUntil([&] { return reconnect->Waiting(); }, std::chrono::seconds(10))) break;
        auto next = std::make_unique<testutil::PtyPair>();
        fs::create_symlink(next->slavePath(), dir / "new");
        const auto back = Clock::now();
        fs::rename(dir / "new", link);
        if (!RunUntil([&] { return form.PortIsOpen(); }, std::chrono::seconds(10))) break;
        times.push_back(Millis(Clock::now() - back));
        pty = std::move(next);
    }
    form.Button1Click();
    fs::remove_all(dir);
    return times;
}

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    console::TApplication app(argc, argv);
    app.SetMessageHook([](const QString& text, const QString& detail) {
        std::fprintf(stderr, "box: %s %s\n", qPrintable(text), qPrintable(detail));
    });

    std::string data(StreamBytes, '\0');
    std::mt19937 random(7);
    for (auto& c : data) c = static_cast<char>(random() & 0xFF);

    std::printf("64 MiB streamed into the window (blocks the reply table drops):\n");
    constexpr int Rounds = 7;
    std::vector<double> rates[3], cpus[3];
    for (int round = 0; round < Rounds; ++round)
        for (int v = 0; v < 3; ++v) {
            const auto figures = StreamIntoWindow(static_cast<Variant>(v), data);
            rates[v].push_back(figures.megabytesPerSecond);
            cpus[v].push_back(figures.windowCpuMillis);
            std::printf("  round %d, %-30s %6.1f MB/s, window's thread %6.0f ms CPU\n", round + 1, VariantNames[v],
                        rates[v].back(), cpus[v].back());
        }
    auto median = [](std::vector<double> v) {
        std::sort(v.begin(), v.end());
        return v[v.size() / 2];
    };
    auto least = [](const std::vector<double>& v) { return *std::min_element(v.begin(), v.end()); };
    for (int v = 0; v < 3; ++v)
        std::printf("%-30s median %6.1f MB/s; window's thread CPU: median %4.0f ms (%+5.1f %%), least %4.0f ms (%+5.1f %%)\n",
                    VariantNames[v], median(rates[v]), median(cpus[v]), (median(cpus[v]) / median(cpus[0]) - 1) * 100,
                    least(cpus[v]), (least(cpus[v]) / least(cpus[0]) - 1) * 100);
    std::vector<std::pair<double, double>> costs;
    for (int i = 0; i < 5; ++i) costs.push_back(RecorderCostPerBlock(data));
    std::sort(costs.begin(), costs.end());
    std::printf("BlockReceived of a 2048-byte block, CPU per block (median of 5): %.2f us with the recorder, %.2f us without;\n"
                "  the window's whole receive path costs %.2f us per block (least of the no-log runs / 32768 blocks)\n",
                costs[2].first, costs[2].second, least(cpus[0]) * 1000 / 32768);

    auto times = ReconnectTimes(20);
    if (times.empty()) {
        std::printf("reconnect: no figures\n");
        return 1;
    }
    std::sort(times.begin(), times.end());
    std::printf("port back (link renamed into place) -> open again, %zu rounds: median %.1f ms, max %.1f ms\n",
                times.size(), times[times.size() / 2], times.back());
    return 0;
}

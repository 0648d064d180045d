// Figures for commissioning against the emulator, the window beside the
// command-line program: the time per unit of `tq410k-cli commission` and of
// the window's Batch panel (write all, verify, record, log line), run in turn
// on the same emulator, then the time per step of the window's read all,
// write all and verify beyond the 100 ms block close that every step waits.
// Run: build/bench/commission_bench [UNITS] (3 units each by default; needs a
// display or QT_QPA_PLATFORM=offscreen).

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QTest>

#include "commission/Configuration.h"
#include "commission/Profile.h"
#include "commission/Sequence.h"
#include "console/Console.h"
#include "console/commissioning/BatchPanel.h"
#include "console/commissioning/CommissionActions.h"
#include "console/window/ConsoleApplication.h"
#include "console/window/Form1.h"
#include "tests/util/EmulatorProcess.h"

namespace {

using Clock = std::chrono::steady_clock;

double Seconds(Clock::duration d) { return std::chrono::duration<double>(d).count(); }

template <class Done>
void WaitUntil(Done done) {
    while (!done()) QTest::qWait(1);
}

void PrintRange(const char* what, const std::vector<double>& seconds) {
    const auto [low, high] = std::minmax_element(seconds.begin(), seconds.end());
    std::printf("%-34s %5.2f to %5.2f s  (%zu units)\n", what, *low, *high, seconds.size());
}

class Bench {
public:
    // `lastMessage`: the text of the last message box, which the bench does not show.
    Bench(console::TForm1& form, const QString& lastMessage) : form_(form), lastMessage_(lastMessage) {
        char pattern[] = "/tmp/tq410k-bench.XXXXXX";
        if (!::mkdtemp(pattern)) throw std::runtime_error("no temporary folder");
        dir_ = pattern;
        profile_ = (dir_ / "profile.json").string();
        commission::SaveProfile(profile_, commission::DefaultConfiguration());
        for (const char* folder : {"cli", "window"}) std::filesystem::create_directory(dir_ / folder);
    }
    ~Bench() {
        std::error_code ignored;
        std::filesystem::remove_all(dir_, ignored);
    }

    bool Open() {
        if (!form_.PortIsOpen()) form_.findChild<QPushButton*>("Button1")->click();
        return form_.PortIsOpen();
    }
    void Close() {
        if (form_.PortIsOpen()) form_.findChild<QPushButton*>("Button1")->click();
    }

    // One unit by `tq410k-cli commission`; the window's port is closed meanwhile.
    double CliUnit(const std::string& port) {
        Close();
        QProcess cli;
        cli.setProcessChannelMode(QProcess::MergedChannels);
        const auto begin = Clock::now();
        cli.start(TQ410K_CLI, {"commission", "--port", QString::fromStdString(port), QString::fromStdString(profile_),
                               "--first-serial", "10000000", "--inspector", "7", "--record", Folder("cli"),
                               "--batch-log", Folder("cli") + "/batch.csv"});
        cli.waitForFinished(120'000);
        const double seconds = Seconds(Clock::now() - begin);
        if (cli.exitStatus() != QProcess::NormalExit || cli.exitCode() != 0)
            std::fprintf(stderr, "tq410k-cli commission: %s\n", cli.readAll().constData());
        return seconds;
    }

    // One unit by the Batch panel, from "Commission next unit" to its verdict.
    double WindowUnit() {
        if (!Open()) throw std::runtime_error("cannot open the emulator's port");
        auto& panel = Panel();
        const auto begin = Clock::now();
        panel.CommissionNext();
        WaitUntil([&] { return !panel.Running(); });
        const double seconds = Seconds(Clock::now() - begin);
        const QString verdict = panel.findChild<QLabel*>("BatchVerdict")->text();
        if (!verdict.startsWith("PASS"))
            std::fprintf(stderr, "Batch panel: %s\n%s\n", qPrintable(verdict), qPrintable(lastMessage_));
        return seconds;
    }

private:
    QString Folder(const char* name) const { return QString::fromStdString((dir_ / name).string()); }

    console::BatchPanel& Panel() {
        if (auto* panel = form_.findChild<console::BatchPanel*>()) return *panel;
        form_.findChild<QPushButton*>("BatchButton")->click();
        auto& panel = *form_.findChild<console::BatchPanel*>();
        panel.findChild<QLineEdit*>("BatchProfile")->setText(QString::fromStdString(profile_));
        panel.findChild<QLineEdit*>("BatchFirstSerial")->setText("20000000");
        panel.findChild<QComboBox*>("BatchInspector")->setCurrentText("7");
        panel.findChild<QLineEdit*>("BatchRecordFolder")->setText(Folder("window"));
        panel.findChild<QLineEdit*>("BatchLogFile")->setText(Folder("window") + "/batch.csv");
        return panel;
    }

    console::TForm1& form_;
    const QString& lastMessage_;
    std::filesystem::path dir_;
    std::string profile_;
};

// A strip action's time per step beyond the block close, split in two: from
// the command to its block handed over less the block close (the emulator's
// answer, the bytes' way, the reader), and from the block to the next command
// (the window's own handling).
template <class Start>
void TimeSteps(console::TForm1& form, console::CommissionActions& actions, const char* what, std::size_t steps,
               Start start) {
    std::vector<Clock::time_point> sent, received;
    const auto onSent = QObject::connect(&form, &console::TForm1::CommandSent, [&] { sent.push_back(Clock::now()); });
    const auto onBlock =
        QObject::connect(&form, &console::TForm1::BlockReceived, [&] { received.push_back(Clock::now()); });
    const auto begin = Clock::now();
    start();
    WaitUntil([&] { return !actions.Running(); });
    const auto end = Clock::now();
    QObject::disconnect(onSent);
    QObject::disconnect(onBlock);
    const double close = static_cast<double>(commission::QuietInterval.count());
    const double perStep = Seconds(end - begin) * 1000 / static_cast<double>(steps);
    double answer = 0, window = 0;
    const std::size_t pairs = std::min(sent.size(), received.size());
    for (std::size_t i = 0; i < pairs; ++i) {
        answer += Seconds(received[i] - sent[i]) * 1000 - close;
        window += Seconds((i + 1 < sent.size() ? sent[i + 1] : end) - received[i]) * 1000;
    }
    std::printf("%-10s %3zu steps  per step %6.1f ms  beyond the %3.0f ms block close %5.1f ms"
                " (answer and reader %4.1f, window %4.1f; %zu blocks)\n",
                what, steps, perStep, close, perStep - close, answer / static_cast<double>(pairs),
                window / static_cast<double>(pairs), received.size());
}

}  // namespace

int main(int argc, char** argv) {
    std::setvbuf(stdout, nullptr, _IONBF, 0);
    const int units = argc > 1 ? std::max(1, std::atoi(argv[1])) : 3;
    console::TApplication app(argc, argv);
    QString lastMessage;
    app.SetMessageHook([&lastMessage](const QString& text, const QString&) { lastMessage = text; });
    const auto made = console::MakeConsole();
    console::TForm1& form = *made;
    form.show();
    consoletest::Emulator emulator;
    form.findChild<QComboBox*>("SPREALCOM")->lineEdit()->setText(QString::fromStdString(emulator.port()));
    form.findChild<QComboBox*>("ComboBox1")->setCurrentIndex(3);  // 9600
    Bench bench(form, lastMessage);
    if (!bench.Open()) {
        std::fprintf(stderr, "commission_bench: cannot open the emulator's port\n");
        return 1;
    }

    std::printf("One unit (write all, verify, record, log line) against tq410k-emulator on a pseudo-terminal,\n"
                "9600 baud set; the command-line program and the window's Batch panel in turn:\n");
    std::vector<double> cli, window;
    for (int unit = 0; unit < units; ++unit) {
        cli.push_back(bench.CliUnit(emulator.port()));
        window.push_back(bench.WindowUnit());
    }
    PrintRange("tq410k-cli commission", cli);
    PrintRange("window, Batch panel", window);
    std::vector<double> beyond;
    for (std::size_t i = 0; i < cli.size(); ++i) beyond.push_back(window[i] - cli[i]);
    PrintRange("window beyond the CLI, unit by unit", beyond);

    std::printf("\nThe window's strip actions:\n");
    if (!bench.Open()) return 1;
    auto& actions = *form.findChild<console::CommissionActions*>("CommissionActions");
    TimeSteps(form, actions, "read all", 17, [&] { actions.ReadAll(); });
    TimeSteps(form, actions, "write all", 49, [&] { actions.WriteAll(); });
    TimeSteps(form, actions, "verify", 17, [&] { actions.Verify(); });
    return 0;
}

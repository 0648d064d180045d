// Figures for commissioning in the window against the emulator: the total
// time of read all and write all, and the time per step beyond the
// protocol's own waits (100 ms block close, 300 ms receive wait): a step
// ends once its whole answer is in and the line is quiet, for a query
// without waiting for Timer2. Run: build/bench/commission_bench
// (needs a display or QT_QPA_PLATFORM=offscreen).

#include <chrono>
#include <cstdio>

#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include "console/Console.h"
#include "console/commissioning/CommissionActions.h"
#include "console/window/ConsoleApplication.h"
#include "tests/util/EmulatorProcess.h"
#include "console/window/Form1.h"

namespace {

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

double Millis(Clock::duration d) { return std::chrono::duration<double, std::milli>(d).count(); }

struct Figure {
    double totalMs;
    std::size_t steps;
};

template <class Start>
Figure Time(console::CommissionActions& actions, std::size_t steps, Start start) {
    const auto begin = Clock::now();
    start();
    while (actions.Running()) QTest::qWait(1);
    return {Millis(Clock::now() - begin), steps};
}

void Print(const char* what, const Figure& f, double protocolMs) {
    const double perStep = f.totalMs / static_cast<double>(f.steps);
    std::printf("%-10s %3zu steps  total %7.0f ms  per step %6.1f ms  protocol's waits %5.0f ms  ours %5.1f ms\n",
                what, f.steps, f.totalMs, perStep, protocolMs, perStep - protocolMs);
}

}  // namespace

int main(int argc, char** argv) {
    std::setvbuf(stdout, nullptr, _IONBF, 0);
    console::TApplication app(argc, argv);
    app.SetMessageHook([](const QString&, const QString&) {});  // no modal boxes in a benchmark
    const auto made = console::MakeConsole();
    console::TForm1& form = *made;
    form.show();
    consoletest::Emulator emulator;
    auto* port = form.findChild<QComboBox*>("SPREALCOM");
    port->lineEdit()->setText(QString::fromStdString(emulator.port()));
    form.findChild<QComboBox*>("ComboBox1")->setCurrentIndex(3);  // 9600
    form.findChild<QPushButton*>("Button1")->click();
    if (!form.PortIsOpen()) {
        std::fprintf(stderr, "commission_bench: cannot open the emulator's port\n");
        return 1;
    }
    auto& actions = *static_cast<console::CommissionActions*>(form.findChild<QObject*>("CommissionActions"));
    std::printf("Commissioning in the window against tq410k-emulator (pseudo-terminal, 9600 baud set)\n");
    for (int run = 1; run <= 2; ++run) {
        Print("read all", Time(actions, 17, [&] { actions.ReadAll(); }), 100 + 300);
        Print("write all", Time(actions, 49, [&] { actions.WriteAll(); }), 100 + 300);
        Print("verify", Time(actions, 17, [&] { actions.Verify(); }), 100 + 300);
    }
    return 0;
}

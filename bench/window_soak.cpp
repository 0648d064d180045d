// Soak of the real window against `tq410k-emulator --garbage`: the query
// buttons are clicked in turn and every reply is random bytes. Afterwards the
// port must still be open and answering, reopen, and read real replies from a
// normal emulator. Prints the replies, the message boxes the garbage raised,
// and the resident memory after warm-up and at the end.
//   window_soak [--replies N]      (default 3000)
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include <QComboBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>

#include "console/Console.h"
#include "console/window/ConsoleApplication.h"
#include "console/window/Form1.h"
#include "tests/util/EmulatorProcess.h"

namespace {

using Clock = std::chrono::steady_clock;

long ResidentKiB() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind("VmRSS:", 0) == 0) return std::stol(line.substr(6));
    return -1;
}

bool WaitFor(const std::function<bool()>& done, std::chrono::milliseconds limit) {
    const auto end = Clock::now() + limit;
    while (!done()) {
        if (Clock::now() > end) return false;
        QTest::qWait(5);
    }
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    int replies = 3000;
    for (int i = 1; i < argc; ++i) {
        if (std::string(argv[i]) == "--replies" && i + 1 < argc) {
            replies = std::atoi(argv[++i]);
        } else {
            std::fprintf(stderr, "usage: window_soak [--replies N]\n");
            return 2;
        }
    }
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    console::TApplication app(argc, argv);
    int boxes = 0;
    app.SetMessageHook([&](const QString&, const QString&) { ++boxes; });

    int failures = 0;
    auto check = [&](bool ok, const char* what) {
        std::printf("  %-58s %s\n", what, ok ? "yes" : "NO");
        failures += !ok;
    };
    {
        const auto made = console::MakeConsole();
        console::TForm1& form = *made;
        form.show();
        auto* port = form.findChild<QComboBox*>("SPREALCOM");
        auto* open = form.findChild<QPushButton*>("Button1");
        auto* memo = form.findChild<QPlainTextEdit*>("Memo8");
        long blocks = 0;
        QObject::connect(&form, &console::TForm1::BlockReceived, [&](const QByteArray&, bool) { ++blocks; });
        const char* queries[] = {"Button49", "Button5", "Button46", "Button9", "Button47",
                                 "Button76", "Button74", "Button6"};

        long warmKiB = 0, startKiB = ResidentKiB();
        int answered = 0, unanswered = 0;
        const auto began = Clock::now();
        {
            consoletest::Emulator garbage({"--garbage"});
            port->lineEdit()->setText(QString::fromStdString(garbage.port()));
            QTest::mouseClick(open, Qt::LeftButton);
            check(form.PortIsOpen(), "port opens on the garbage emulator");
            for (int i = 0; i < replies && form.PortIsOpen(); ++i) {
                if (i == replies / 10) warmKiB = ResidentKiB();
                const long before = blocks;
                QTest::mouseClick(form.findChild<QPushButton*>(queries[i % std::size(queries)]), Qt::LeftButton);
                if (WaitFor([&] { return blocks > before; }, std::chrono::seconds(5))) ++answered;
                else ++unanswered;
            }
            QTest::qWait(400);  // the last parse
            const double seconds = std::chrono::duration<double>(Clock::now() - began).count();
            const long endKiB = ResidentKiB();
            std::printf("window against tq410k-emulator --garbage: %d replies in %.0f s, %d unanswered, "
                        "%d message boxes\n", answered, seconds, unanswered, boxes);
            std::printf("  resident memory: start %ld KiB, after %d replies %ld KiB, end %ld KiB\n", startKiB,
                        replies / 10, warmKiB, endKiB);
            check(form.PortIsOpen(), "port still open");
            const long before = blocks;
            QTest::mouseClick(form.findChild<QPushButton*>("Button6"), Qt::LeftButton);
            check(WaitFor([&] { return blocks > before; }, std::chrono::seconds(5)), "a command still gets its reply");
            QTest::mouseClick(open, Qt::LeftButton);
            check(!form.PortIsOpen(), "port closes");
            QTest::mouseClick(open, Qt::LeftButton);
            check(form.PortIsOpen(), "port reopens");
            QTest::mouseClick(open, Qt::LeftButton);
        }
        {
            consoletest::Emulator normal;
            port->lineEdit()->setText(QString::fromStdString(normal.port()));
            QTest::mouseClick(open, Qt::LeftButton);
            check(form.PortIsOpen(), "port opens on a normal emulator");
            QTest::qWait(400);
            QTest::mouseClick(form.findChild<QPushButton*>("Button49"), Qt::LeftButton);
            check(WaitFor([&] { return memo->toPlainText().startsWith("ADR:001,MDO:0"); }, std::chrono::seconds(5)),
                  "a parameter query reads the real reply");
            QTest::mouseClick(open, Qt::LeftButton);
        }
        check(unanswered == 0, "every garbage reply arrived");
    }
    std::printf(failures ? "window soak: FAILED\n" : "window soak: sound\n");
    return failures ? 1 : 0;
}

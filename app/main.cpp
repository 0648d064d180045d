// tq410k-console: shows the console's window and runs the event loop until it is closed.
//   --layout FILE   once the window is shown, writes the place and size of
//                   every named control to FILE (for comparing platforms)

#include <cstdio>
#include <cstring>
#include <string>

#include <QTimer>

#include "commission/AtomicFile.h"
#include "console/Console.h"
#include "console/window/ConsoleApplication.h"
#include "console/window/Form1.h"
#include "console/window/LayoutDump.h"

int main(int argc, char** argv) {
    std::string layoutFile;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--layout") != 0) continue;
        if (i + 1 >= argc) {
            std::fprintf(stderr, "tq410k-console: --layout needs a file name\n");
            return 2;
        }
        layoutFile = argv[i + 1];
    }
    console::TApplication app(argc, argv);
    const auto form = console::MakeConsole();
    form->show();
    if (!layoutFile.empty())
        QTimer::singleShot(0, form.get(), [&form, layoutFile] {
            try {
                commission::WriteFileAtomically(layoutFile, console::DescribeLayout(*form));
            } catch (const std::exception& e) {
                std::fprintf(stderr, "tq410k-console: %s\n", e.what());
            }
        });
    return app.exec();
}

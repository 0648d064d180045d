// tq410k-console: shows the console's window and runs the event loop until it is closed.

#include "console/Console.h"
#include "console/window/ConsoleApplication.h"
#include "console/window/Form1.h"

int main(int argc, char** argv) {
    console::TApplication app(argc, argv);
    const auto form = console::MakeConsole();
    form->show();
    return app.exec();
}

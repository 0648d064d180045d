// tq410k-console: shows Form1 and runs the event loop until it is closed.

#include "console/window/ConsoleApplication.h"
#include "console/window/Form1.h"

int main(int argc, char** argv) {
    console::TApplication app(argc, argv);
    console::TForm1 form;
    form.show();
    return app.exec();
}

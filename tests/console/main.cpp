// The window tests run inside the console's own application object, so that
// its notify() override and message hook are in force.

#include <gtest/gtest.h>

#include <QByteArray>

#include "console/window/ConsoleApplication.h"

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    console::TApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}

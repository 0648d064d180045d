// The window tests run inside the console's own application object, so that
// its notify() override and message hook are in force.

#include <gtest/gtest.h>

#include <QByteArray>
#include <QSettings>
#include <QTemporaryDir>

#include "console/window/ConsoleApplication.h"

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    console::TApplication app(argc, argv);
    // The tests' settings live in a folder of their own, never the user's.
    QTemporaryDir settings;
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, settings.path());
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, settings.path());
    QCoreApplication::setOrganizationName("tq410k-tests");
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}

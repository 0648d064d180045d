// The window tests run inside the console's own application object, so that
// its notify() override and message hook are in force.

#include <gtest/gtest.h>

#include <QByteArray>
#include <QSettings>

#include "tests/util/TempFolder.h"

#include "console/window/ConsoleApplication.h"

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    console::TApplication app(argc, argv);
    // The tests' settings live in a folder of their own, never the user's.
    const std::filesystem::path settings = testutil::MakeTempFolder("tq410k-settings");
    const QString folder = QString::fromStdString(settings.string());
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, folder);
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, folder);
    QCoreApplication::setOrganizationName("tq410k-tests");
    ::testing::InitGoogleTest(&argc, argv);
    const int failed = RUN_ALL_TESTS();
    std::error_code ignored;
    std::filesystem::remove_all(settings, ignored);
    return failed;
}

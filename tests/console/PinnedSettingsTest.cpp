// The console's own settings, pinned with literal values: those Comm1 is
// created with, those each open sets, and the device names the port list
// offers from a /dev folder.

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include "console/window/PortComboBox.h"
#include "tests/util/CommSettings.h"
#include "tests/util/PtyPair.h"
#include "tests/console/WindowFixture.h"
#include "tests/console/WindowsSkips.h"

using namespace consoletest;
using serial::TByteSize;
using serial::TParity;
using serial::TStopBits;

TEST_F(WindowTest, Comm1IsCreatedWithTheConsolesSettings) {
    testutil::ExpectSettings(form->Comm1(), {.baudRate = 115200});
}

TEST_F(WindowTest, EachOpenSetsTheLineFromThePortGroup) {
    testutil::PtyPair pty;
    const struct {
        const char* baud;
        const char* parity;
        const char* stopBits;
        std::uint32_t rate;
        TParity parityValue;
        TStopBits stopValue;
    } cases[] = {
        {"9600", "None", "1", 9600, TParity::None, TStopBits::_1},
        {"1200", "Odd", "2", 1200, TParity::Odd, TStopBits::_2},
        {"19200", "Even", "", 19200, TParity::Even, TStopBits::_1},
        {"57600", "None", "3", 57600, TParity::None, TStopBits::_1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.baud);
        type("ComboBox1", c.baud);
        type("ComboBox2", c.parity);
        type("ComboBox3", c.stopBits);
        openOn(pty.slavePath());
        ASSERT_TRUE(form->PortIsOpen());
        const serial::TComm& comm = form->Comm1();
        EXPECT_EQ(comm.CommName(), pty.slavePath());
        EXPECT_EQ(comm.BaudRate(), c.rate);
        EXPECT_EQ(comm.Parity(), c.parityValue);
        EXPECT_EQ(comm.StopBits(), c.stopValue);
        EXPECT_FALSE(comm.Outx_XonXoffFlow());
        EXPECT_FALSE(comm.Inx_XonXoffFlow());
        EXPECT_EQ(comm.ReadIntervalTimeout(), 100u);  // not touched by an open
        EXPECT_EQ(comm.ByteSize(), TByteSize::_8);
        click("Button1");  // close
    }
    EXPECT_TRUE(boxes.empty());
}

TEST(PortList, OffersTheSerialDevicesOfTheDevFolder) {
    SKIP_ON_WINDOWS(consoletest::kDevFolder);
    QTemporaryDir dev;
    ASSERT_TRUE(dev.isValid());
    ASSERT_TRUE(QDir(dev.path()).mkpath("serial/by-id"));
    for (const char* name : {"ttyUSB1", "ttyUSB0", "ttyACM0", "ttyS0", "tty0", "ttyAMA0", "xttyUSB2", "usb",
                             "serial/by-id/usb-FTDI_FT232R-if00-port0", "serial/by-id/usb-1a86_CH340-if00"}) {
        QFile file(dev.filePath(name));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly)) << name;
    }
    const QString d = dev.path();
    const QStringList expected = {
        d + "/ttyUSB0",
        d + "/ttyUSB1",
        d + "/ttyACM0",
        d + "/serial/by-id/usb-1a86_CH340-if00",
        d + "/serial/by-id/usb-FTDI_FT232R-if00-port0",
    };
    EXPECT_EQ(console::PresentSerialDevices(d), expected);

    // No by-id folder, no devices: nothing, and no failure.
    QTemporaryDir empty;
    EXPECT_TRUE(console::PresentSerialDevices(empty.path()).isEmpty());
}

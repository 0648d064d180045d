// What escapes a handler reaches the application's error handler, and a box
// is never opened inside a box.

#include <stdexcept>

#include <QLineEdit>
#include <QPlainTextEdit>

#include "console/window/StatusTexts.h"
#include "tests/console/WindowFixture.h"
#include "tests/console/WindowsSkips.h"

using namespace consoletest;

TEST_F(WindowTest, AnExceptionFromAClickHandlerIsShownInABox) {
    auto* button = new QPushButton("Throw", form->centralWidget());
    QObject::connect(button, &QPushButton::clicked, [] { throw std::runtime_error("handler failed"); });
    button->show();
    QTest::mouseClick(button, Qt::LeftButton);
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, "handler failed");
    // The window goes on working.
    click("Button6");
    EXPECT_EQ(find<QLineEdit>("discomm")->text(), "PPPPPP#VAR#");
}

TEST_F(WindowTest, AConversionErrorStopsTheHandlerWhereItHappens) {
    // Everything before the failing conversion stands, nothing after it happens.
    form->ReplyMode() = 201;
    type("ComboBox1", "fast");
    click("Button1");
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, "'fast' is not a valid integer value");
    EXPECT_EQ(form->Comm1().CommName(), "COM2");  // not reached
    EXPECT_EQ(form->ReplyMode(), 201);
}

TEST_F(WindowTest, ErrorsWhileABoxIsOpenGoToTheStatusBar) {
    type("ComboBox1", "x");
    int nested = 0;
    onBox = [&] {
        if (nested++) return;
        // A further failure while the first box is still open.
        type("ComboBox1", "y");
        click("Button1");
        app().HandleException(std::make_exception_ptr(std::runtime_error("third")));
    };
    click("Button1");
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, "'x' is not a valid integer value");
    EXPECT_EQ(statusText(), "third");
    // Once the box is closed, boxes open again.
    click("Button1");
    ASSERT_EQ(boxes.size(), 2u);
    EXPECT_EQ(boxes[1].text, "'y' is not a valid integer value");
}

TEST_F(WindowTest, PagesShowMessagesThroughTheSameHook) {
    console::ConsoleHost& host = *form;
    host.ShowMessage("Input data must be plural");
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, "Input data must be plural");
}

TEST(StatusTexts, DescribeThePortAndItsEvents) {
    EXPECT_EQ(console::DescribeLineState("/dev/ttyUSB0", {9600, 8, 'N', 1}), "/dev/ttyUSB0 9600 8N1");
    EXPECT_EQ(console::DescribeLineState("/dev/ttyS3", {19200, 7, 'E', 2}), "/dev/ttyS3 19200 7E2");
    EXPECT_EQ(console::DescribeLineErrors(0x08 | 0x04), "Line error: framing, parity");
    EXPECT_EQ(console::DescribeLineErrors(0x10 | 0x02 | 0x100), "Line error: overrun, break, 0x100");
    EXPECT_EQ(console::DescribeModemEvent(12), "Modem lines: carrier detect changed, ring");
    EXPECT_EQ(console::DescribeModemEvent(4), "Modem lines: ring");
    EXPECT_EQ(console::DescribeTraffic(11, 0), "Sent 11 bytes, received 0 bytes");
}

TEST(StatusTexts, RefusedAccessSaysWhichGroupToJoin) {
    SKIP_ON_WINDOWS(consoletest::kDevFolder);
    EXPECT_EQ(console::DescribeOpenFailure("Device or resource busy", "/dev/ttyUSB0"), "Device or resource busy");
    EXPECT_EQ(console::DescribeOpenFailure("", "/dev/ttyUSB0"), "");
    const std::string advice = console::DescribeOpenFailure("Permission denied", "/dev/null");
    EXPECT_EQ(advice.rfind("Permission denied. ", 0), 0u);
    EXPECT_NE(advice.find("group \"root\" that owns /dev/null"), std::string::npos) << advice;
    EXPECT_NE(advice.find("log in again"), std::string::npos);
    const std::string unknown = console::DescribeOpenFailure("Permission denied", "/dev/no-such-port");
    EXPECT_NE(unknown.find("the group that owns /dev/no-such-port"), std::string::npos) << unknown;
}

TEST_F(WindowTest, LineEventsAreReportedInTheStatusBarAsTheyHappen) {
    form->Comm1ReceiveError(form->Comm1(), 0x08);
    EXPECT_EQ(statusText(), "Line error: framing");
    form->Comm1ModemStateChange(form->Comm1(), 8);
    EXPECT_EQ(statusText(), "Modem lines: carrier detect changed");
    // A hang-up with no port open changes nothing.
    form->Comm1RequestHangup(form->Comm1());
    EXPECT_EQ(statusText(), "Modem lines: carrier detect changed");
    EXPECT_FALSE(form->PortIsOpen());
    EXPECT_TRUE(boxes.empty());
}

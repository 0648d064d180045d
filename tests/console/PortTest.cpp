// The window over a real Comm1 on a pseudo-terminal: opening, the bytes on the
// wire, received blocks, and what happens when the device goes away.

#include <algorithm>
#include <atomic>
#include <filesystem>
#include <thread>

#include <QCheckBox>
#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTimer>

#include "tests/util/PtyPair.h"
#include "tests/console/WindowFixture.h"
#include "tests/console/WindowsSkips.h"
#include "tests/util/TempFolder.h"

using namespace consoletest;
using namespace std::chrono_literals;

namespace {

class PortTest : public WindowTest {
protected:
    void SetUp() override {
        WindowTest::SetUp();
        openOn(pty.slavePath());
        ASSERT_TRUE(form->PortIsOpen()) << (boxes.empty() ? "" : boxes[0].text.toStdString());
    }
    QString memo() { return find<QPlainTextEdit>("Memo8")->toPlainText(); }

    testutil::PtyPair pty;
};

class ClosedPortTest : public WindowTest {};

}  // namespace

TEST_F(PortTest, OpensATypedPathAndShowsTheSettingsInForce) {
    EXPECT_EQ(find<QPushButton>("Button1")->text(), "Close");
    EXPECT_TRUE(form->Comm1().IsOpen());
    EXPECT_EQ(form->Comm1().CommName(), pty.slavePath());
    EXPECT_FALSE(form->Comm1().Outx_XonXoffFlow());
    EXPECT_FALSE(form->Comm1().Inx_XonXoffFlow());
    EXPECT_EQ(form->Comm1().BaudRate(), 9600u);
    EXPECT_EQ(find<QLabel>("PortState")->text(), QString::fromStdString(pty.slavePath() + " 9600 8N1"));
    EXPECT_TRUE(boxes.empty());

    click("Button1");
    EXPECT_FALSE(form->PortIsOpen());
    EXPECT_FALSE(form->Comm1().IsOpen());
    EXPECT_EQ(find<QPushButton>("Button1")->text(), "Open");
    EXPECT_EQ(find<QLabel>("PortState")->text(), "Port closed");
}

TEST_F(PortTest, CommunicationQueryPutsExactlyTheCommandOnTheWire) {
    find<QPlainTextEdit>("Memo8")->setPlainText("old reply");
    click("Button6");
    EXPECT_EQ(pty.readUntilQuiet(300ms), "PPPPPP#VAR#");
    EXPECT_EQ(find<QLineEdit>("discomm")->text(), "PPPPPP#VAR#");
    EXPECT_TRUE(memo().isEmpty());
    EXPECT_EQ(form->ReplyMode(), 100);

    pty.write(std::string("TQ410-K V3.0"));
    ASSERT_TRUE(waitFor([&] { return memo() == "TQ410-K V3.0"; }));
    EXPECT_EQ(form->ReceivedText(), "TQ410-K V3.0");
    EXPECT_TRUE(find<QLabel>("Traffic")->text().contains("Sent 11 bytes"));
}

TEST_F(PortTest, BytesBeforeAnyCommandAreNotShown) {
    pty.write(std::string("unasked"));
    ASSERT_TRUE(waitFor([&] { return find<QLabel>("Traffic")->text().contains("received 7 bytes"); }));
    EXPECT_TRUE(memo().isEmpty());
    EXPECT_TRUE(form->ReceivedText().empty());
}

TEST_F(PortTest, ABlockOf300BytesShows255Characters) {
    click("Button6");
    std::string block(300, '0');
    for (std::size_t i = 0; i < block.size(); ++i) block[i] = static_cast<char>('0' + i % 10);
    pty.write(block);
    ASSERT_TRUE(waitFor([&] { return !form->ReceivedText().empty(); }));
    EXPECT_EQ(form->ReceivedText(), block.substr(0, 255));
    EXPECT_EQ(memo(), QString::fromStdString(block.substr(0, 255)));
}

TEST_F(PortTest, NulAndHighBytesArriveAsCharacters) {
    click("Button6");
    const std::string block("OK\0\x7f\x80\xfe\xff", 7);
    pty.write(block);
    ASSERT_TRUE(waitFor([&] { return !form->ReceivedText().empty(); }));
    EXPECT_EQ(form->ReceivedText(), block);
    EXPECT_EQ(memo().size(), 7);
}

TEST_F(PortTest, AReplyInTwoBlocksShowsOnlyTheSecond) {
    click("Button6");
    pty.write(std::string("FIRST"));
    std::this_thread::sleep_for(250ms);  // the line falls quiet: a block of its own
    pty.write(std::string("SECOND"));
    ASSERT_TRUE(waitFor([&] { return memo() == "SECOND"; }));
    EXPECT_EQ(form->ReceivedText(), "SECOND");
}

TEST_F(PortTest, AStreamFasterThanTheWaitDoesNotPileUp) {
    click("Button6");
    const int blocks = 15;
    using Clock = std::chrono::steady_clock;
    std::atomic<Clock::rep> lastWrite{0};
    std::thread device([&] {
        for (int i = 0; i < blocks; ++i) {
            pty.write("BLOCK" + std::to_string(i));
            lastWrite = Clock::now().time_since_epoch().count();
            std::this_thread::sleep_for(150ms);  // quiet long enough to end each block
        }
    });
    const std::string last = "BLOCK" + std::to_string(blocks - 1);
    const bool caughtUp = waitFor([&] { return form->ReceivedText() == last; }, 10s);
    const auto behind = Clock::now() - Clock::time_point(Clock::duration(lastWrite.load()));
    device.join();
    ASSERT_TRUE(caughtUp);
    // Waiting 300 ms for every block would leave seconds of backlog behind the stream.
    EXPECT_LT(behind, 1500ms);
    EXPECT_EQ(memo(), QString::fromStdString(last));
}

TEST_F(PortTest, AStreamFasterThanTheWaitLeavesTheWindowResponsive) {
    click("Button6");
    // The window's own events (repaints, clicks, Timer2) run between blocks.
    QElapsedTimer clock;
    clock.start();
    qint64 lastTick = 0, longestGap = 0;
    QTimer ticker;
    ticker.setInterval(20);
    QObject::connect(&ticker, &QTimer::timeout, [&] {
        longestGap = std::max(longestGap, clock.elapsed() - lastTick);
        lastTick = clock.elapsed();
    });
    ticker.start();
    const int blocks = 25;
    std::thread device([&] {
        for (int i = 0; i < blocks; ++i) {
            pty.write("BLOCK" + std::to_string(i));
            std::this_thread::sleep_for(150ms);  // quiet long enough to end each block
        }
    });
    const std::string last = "BLOCK" + std::to_string(blocks - 1);
    const bool caughtUp = waitFor([&] { return form->ReceivedText() == last; }, 15s);
    device.join();
    ASSERT_TRUE(caughtUp);
    // A stream of almost four seconds; the loop may sleep 300 ms at a time, not throughout.
    EXPECT_LT(longestGap, 1500);
}

TEST_F(PortTest, CheckBoxesDriveTheLinesTheyName) {
    struct Row {
        bool dtrBox;
        bool rtsBox;
        serial::TDtrControl dtr;
        serial::TRtsControl rts;
    };
    using serial::TDtrControl;
    using serial::TRtsControl;
    const Row rows[] = {
        {false, false, TDtrControl::DtrDisable, TRtsControl::RtsDisable},
        {true, false, TDtrControl::DtrEnable, TRtsControl::RtsDisable},
        {false, true, TDtrControl::DtrDisable, TRtsControl::RtsEnable},
        {true, true, TDtrControl::DtrEnable, TRtsControl::RtsEnable},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(std::to_string(row.dtrBox) + std::to_string(row.rtsBox));
        click("Button1");  // close
        find<QCheckBox>("CheckBox2")->setChecked(row.dtrBox);  // "COM_DTR"
        find<QCheckBox>("CheckBox1")->setChecked(row.rtsBox);  // "COM_RTS"
        click("Button1");  // open
        ASSERT_TRUE(form->PortIsOpen());
        EXPECT_EQ(form->Comm1().DtrControl(), row.dtr);
        EXPECT_EQ(form->Comm1().RtsControl(), row.rts);
    }
    // Read only at open.
    find<QCheckBox>("CheckBox2")->setChecked(false);
    EXPECT_EQ(form->Comm1().DtrControl(), serial::TDtrControl::DtrEnable);
}

TEST_F(PortTest, ATypedBaudRateIsUsedAsTyped) {
    click("Button1");
    type("ComboBox1", "38400");
    type("ComboBox3", "2");
    type("ComboBox2", "Even");
    click("Button1");
    ASSERT_TRUE(form->PortIsOpen());
    EXPECT_EQ(form->Comm1().BaudRate(), 38400u);
    EXPECT_EQ(form->Comm1().Parity(), serial::TParity::Even);
    EXPECT_EQ(form->Comm1().StopBits(), serial::TStopBits::_2);
}

TEST_F(PortTest, AHangUpClosesThePortWithOneNotice) {
    click("Button6");
    pty.write(std::string("last words"));
    ASSERT_TRUE(waitFor([&] { return memo() == "last words"; }));
    pty.closeMaster();
    ASSERT_TRUE(waitFor([&] { return !form->PortIsOpen(); }));
    EXPECT_FALSE(form->Comm1().IsOpen());
    EXPECT_EQ(find<QPushButton>("Button1")->text(), "Open");
    EXPECT_TRUE(statusText().startsWith("Connection lost")) << statusText().toStdString();
    EXPECT_EQ(memo(), "last words");
    QTest::qWait(300);
    EXPECT_TRUE(boxes.empty());
}

TEST_F(PortTest, AHangUpFromAnEarlierOpenLeavesTheNewOneOpen) {
    SKIP_ON_WINDOWS(kOnePair);
    testutil::PtyPair second;
    pty.closeMaster();
    std::this_thread::sleep_for(300ms);  // the old threads post their hang-up meanwhile
    form->Button1Click();                // close, without running the event loop
    type("SPREALCOM", QString::fromStdString(second.slavePath()));
    form->Button1Click();  // open the second device
    ASSERT_TRUE(form->PortIsOpen());
    QTest::qWait(500);  // the stale hang-up is delivered now
    EXPECT_TRUE(form->PortIsOpen());
    EXPECT_TRUE(form->Comm1().IsOpen());
    form->SendCommand("PPPPPP#VAR#", protocol::ReplyCode::Shown);
    EXPECT_EQ(second.readUntilQuiet(300ms), "PPPPPP#VAR#");
}

TEST_F(ClosedPortTest, OpensAPathWhoseNameIsNotAscii) {
    SKIP_ON_WINDOWS(kLinkedPort);
    testutil::PtyPair pty;
    const std::filesystem::path dir = testutil::MakeTempFolder("tq410k-port");
    const QString link = QString::fromStdString(dir.string()) + QString::fromUtf8("/Konverter-\u00f6\u00df-\u7aef\u53e3");
    std::filesystem::create_symlink(pty.slavePath(), QFile::encodeName(link).toStdString());

    type("SPREALCOM", link);
    click("Button1");
    EXPECT_TRUE(boxes.empty()) << (boxes.empty() ? "" : boxes[0].text.toStdString());
    EXPECT_TRUE(form->PortIsOpen());
    click("Button6");
    EXPECT_EQ(pty.readUntilQuiet(300ms), "PPPPPP#VAR#");
    click("Button1");

    std::filesystem::remove_all(dir);
}

TEST_F(ClosedPortTest, ACommandWhileClosedIsShownButNotSent) {
    find<QPlainTextEdit>("Memo8")->setPlainText("old");
    click("Button6");
    EXPECT_EQ(find<QLineEdit>("discomm")->text(), "PPPPPP#VAR#");
    EXPECT_TRUE(find<QPlainTextEdit>("Memo8")->toPlainText().isEmpty());
    EXPECT_EQ(form->ReplyMode(), 100);
    EXPECT_EQ(statusText(), "not sent: the port is closed");
    EXPECT_TRUE(boxes.empty());
}

TEST_F(ClosedPortTest, OpenFailuresShowTheirMessageAndLeaveThePortClosed) {
    struct Row {
        const char* port;
        const char* baud;
        const char* parity;
        QString message;
        QString detail;
    };
    const Row rows[] = {
        {"/dev/no-such-converter", "9600", "None", "Error opening serial port", "No such file or directory"},
        {"/dev/null", "9600", "None", "File handle is not a comm handle ", ""},
        {"COM4", "", "None", "'' is not a valid integer value", ""},
        {"COM4", "96OO", "None", "'96OO' is not a valid integer value", ""},
        {"COM4", "9600\u00e9", "None", "'9600\u00e9' is not a valid integer value", ""},
        {"COM4", "9600\u20ac", "None", "'9600\u20ac' is not a valid integer value", ""},
        {"COM4", "0", "None", "Baud rate \"0\" is not a whole number above 0; the port stays closed", ""},
        {"COM4", "-9600", "None", "Baud rate \"-9600\" is not a whole number above 0; the port stays closed", ""},
        {"COM4", "9600", "Sp\u00e4ce", "Parity \"Sp\u00e4ce\" is not one of None, Odd, Even; the port stays closed", ""},
        {"COM4", "9600", "\u0427\u0451\u0442", "Parity \"\u0427\u0451\u0442\" is not one of None, Odd, Even; the port stays closed", ""},
    };
    for (const auto& row : rows) {
        if (kOnWindows && std::string(row.port).starts_with("/dev/")) continue;  // Linux's device files
        SCOPED_TRACE(row.port + std::string(" ") + row.baud + " " + row.parity);
        boxes.clear();
        type("SPREALCOM", row.port);
        type("ComboBox1", row.baud);
        type("ComboBox2", row.parity);
        click("Button1");
        ASSERT_EQ(boxes.size(), 1u);
        EXPECT_EQ(boxes[0].text, row.message);
        if (!row.detail.isEmpty()) {
            EXPECT_TRUE(boxes[0].detail.startsWith(row.detail)) << boxes[0].detail.toStdString();
        }
        EXPECT_FALSE(form->PortIsOpen());
        EXPECT_FALSE(form->Comm1().IsOpen());
        EXPECT_EQ(find<QPushButton>("Button1")->text(), "Open");
    }
}

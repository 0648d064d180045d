// The "System Parameter" page in the real window, driven through its widgets,
// with a real serial port component on a pseudo-terminal: the exact bytes on
// the wire and the controls after the converter's replies.

#include <gtest/gtest.h>

#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>

#include <chrono>
#include <thread>

#include "tests/util/PtyPair.h"
#include "tests/console/WindowFixture.h"

using namespace std::chrono_literals;

namespace {

inline void PrintTo(const QString& text, std::ostream* os) { *os << '"' << text.toStdString() << '"'; }

class SystemWindowTest : public consoletest::WindowTest {
protected:
    void SetUp() override {
        WindowTest::SetUp();
        openOn(pty.slavePath());
        ASSERT_TRUE(form->PortIsOpen());
    }

    QLineEdit* Edit(const char* name) { return find<QLineEdit>(name); }
    QComboBox* Combo(const char* name) { return find<QComboBox>(name); }
    std::vector<QString> Boxes() const {
        std::vector<QString> texts;
        for (const auto& box : boxes) texts.push_back(box.text);
        return texts;
    }

    // Replaces an edit's text by typing: backspaces, then the keys.
    void Retype(QWidget* widget, QLineEdit* edit, const QString& text) {
        widget->setFocus();
        QTest::keyClick(widget, Qt::Key_End);
        for (qsizetype n = edit->text().size(); n > 0; --n) QTest::keyClick(widget, Qt::Key_Backspace);
        QTest::keyClicks(widget, text);
    }
    void Retype(const char* editName, const QString& text) { Retype(Edit(editName), Edit(editName), text); }
    void RetypeCombo(const char* boxName, const QString& text) {
        Retype(Combo(boxName), Combo(boxName)->lineEdit(), text);
    }

    // The console wrote exactly `expected` since the last look at the wire.
    void ExpectWire(const std::string& expected) {
        std::string bytes = pty.readAtLeast(expected.size(), 3s);
        EXPECT_EQ(bytes + pty.readUntilQuiet(50ms), expected);
    }

    // The converter answers; returns once the block was taken and any parse it
    // started has run.
    void Reply(const std::string& text) {
        pty.write(text);
        WaitForQuietWindow(text);
    }
    void WaitForQuietWindow(const std::string& lastBlock) {
        const bool taken =
            waitFor([&] { return form->ReceivedText() == lastBlock && !form->Timer2().isActive(); });
        ASSERT_TRUE(taken) << "the block was not taken: " << lastBlock;
    }

    testutil::PtyPair pty;
};

TEST_F(SystemWindowTest, ControlsStartAtTheirDefaultsAndPlaces) {
    struct Row {
        const char* name;
        const char* text;
        QRect geometry;
    };
    const Row rows[] = {
        {"Edit1", "001", {160, 10, 41, 21}},
        {"ComboBox4", "0_Disable Monitoring", {160, 40, 129, 21}},
        {"ADBESARD", "00000", {160, 70, 41, 21}},
        {"PUBESARD", "00000", {344, 70, 41, 21}},
        {"Edit2", "010", {128, 100, 49, 21}},
        {"Edit3", "010", {128, 130, 49, 21}},
        {"SENDXIEYI", "0 RTU Query-Response", {216, 130, 161, 21}},
        {"ZMR485BT", "9600", {60, 35, 69, 21}},
        {"AMR485JN", "None", {190, 91, 65, 21}},
        {"BRS485STOP", "1", {328, 147, 50, 21}},
        {"PCBSN", "00000000", {64, 16, 97, 21}},
        {"JIANZHI", "001", {224, 16, 57, 21}},
        {"COMAD1", "0_Close", {48, 16, 73, 21}},
        {"COMAD4", "0_Close", {48, 18, 73, 21}},
        {"COMDDATA1", "0103000000044409", {184, 16, 153, 21}},
        {"FCOMBY3", "00", {312, 40, 25, 21}},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.name);
        auto* widget = find<QWidget>(r.name);
        ASSERT_TRUE(widget);
        auto* box = qobject_cast<QComboBox*>(widget);
        EXPECT_EQ(box ? box->currentText() : Edit(r.name)->text(), r.text);
        EXPECT_EQ(widget->geometry(), r.geometry);
    }
    EXPECT_EQ(find<QPushButton>("Button49")->geometry(), QRect(536, 432, 129, 33));
    EXPECT_EQ(find<QGroupBox>("GroupBox39")->title(), "Instrument Communication Parameters");
    EXPECT_EQ(find<QGroupBox>("GroupBox39")->geometry(), QRect(8, 170, 465, 191));
    EXPECT_EQ(find<QPushButton>("Button80")->parentWidget()->geometry(), QRect(480, 70, 457, 70));
    EXPECT_EQ(find<QPushButton>("Button42")->parentWidget()->geometry(), QRect(480, 353, 457, 68));

    QStringList inspectors;
    for (int i = 0; i < Combo("JIANZHI")->count(); ++i) inspectors << Combo("JIANZHI")->itemText(i);
    EXPECT_EQ(inspectors, QStringList({"001", "002", "003", "004", "005", "006", "007", "008", "009", "101",
                                       "102", "103", "104"}));
    int groups = 0;
    for (auto* group : find<QWidget>("TabSheet1")->findChildren<QGroupBox*>()) {
        if (!group->title().startsWith("Command ")) continue;
        ++groups;
        QStringList bytes;
        for (auto* label : group->findChildren<QLabel*>())
            if (label->text().startsWith("Byte")) bytes << label->text();
        EXPECT_EQ(bytes, QStringList({"Byte1:", "Byte2:", "Byte3:"})) << group->title().toStdString();
    }
    EXPECT_EQ(groups, 6);
}

TEST_F(SystemWindowTest, EveryButtonWritesItsCommandWithTheDefaults) {
    struct Case {
        const char* button;
        const char* command;
        int replyMode;  // after the click; -1: as before
    };
    const Case cases[] = {
        {"Button49", "PPPPPP#QX1#", 201},
        {"Button2", "HQLNVE#ADR:001#", 100},
        {"Button3", "HQLNVE#MDO:0#", 100},
        {"Button4", "HQLNVE#BADR:00000,00000#", -1},
        {"Button7", "HQLNVE#JTM:010#", 100},
        {"Button10", "HQLNVE#STM:010,00#", 100},
        {"Button188", "HQLNVE#MR485Z:3,0,0#", -1},
        {"Button22", "HQLNVE#MR485A:3,0,0#", -1},
        {"Button17", "HQLNVE#MR485B:3,0,0#", -1},
        {"Button53", "PPPPPP#PCBSN:00000000,001#", 100},
        {"Button8", "HQLNVE#RESET#", 100},
        {"Button73", "HQLNVE#COMW1:0,160103000000044409#", 106},
        {"Button76", "PPPPPP#COMR01#", 1501},
        {"Button75", "HQLNVE#COMP01:010300#", 1502},
        {"Button74", "PPPPPP#COMP01#", 1502},
        {"Button44", "HQLNVE#COMW6:0,160103000000044409#", 106},
        {"Button45", "PPPPPP#COMR06#", 1501},
        {"Button42", "HQLNVE#COMP06:010300#", 1502},
        {"Button43", "PPPPPP#COMP06#", 1502},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.button);
        form->ReplyMode() = 202;
        click(c.button);
        ExpectWire(c.command);
        EXPECT_EQ(find<QLineEdit>("discomm")->text(), c.command);
        EXPECT_EQ(form->ReplyMode(), c.replyMode < 0 ? 202 : c.replyMode);
    }
}

TEST_F(SystemWindowTest, TypedValuesReachTheWire) {
    Retype("Edit1", "7");
    click("Button2");
    ExpectWire("HQLNVE#ADR:007#");

    // A fourth digit is refused by the key filter.
    Retype("Edit1", "1234");
    EXPECT_EQ(Edit("Edit1")->text(), "123");

    click("Button49");
    ExpectWire("PPPPPP#QX1#");
    RetypeCombo("AMR485BT", "19200");
    RetypeCombo("AMR485JN", "Even");
    RetypeCombo("ARS485STOP", "2");
    click("Button22");
    ExpectWire("HQLNVE#MR485A:4,2,1#");
    EXPECT_EQ(form->ReplyMode(), 201);
    // The converter's answer to it is read under the parameter query's code.
    Reply("MR485A:4,2,1");
    EXPECT_EQ(Combo("AMR485BT")->currentText(), "19200");

    RetypeCombo("COMAD3", "9");  // no such item
    Retype("COMDDATA3", "");
    click("Button82");
    ExpectWire("HQLNVE#COMW3:-1,00#");
}

TEST_F(SystemWindowTest, KeyFiltersTakeDigitsUpToTheLimitAndBackspaceAlways) {
    struct Case {
        const char* edit;
        const char* start;
        const char* typed;  // '\b' is the backspace key
        const char* result;
    };
    const Case cases[] = {
        {"Edit1", "001", "2", "001"},      // a fourth digit is refused
        {"Edit1", "", "a-+ .1x2", "12"},   // letters, signs and blanks are discarded
        {"Edit1", "001", "\b\b9", "09"},
        {"ADBESARD", "", "1234567", "12345"},
        {"PUBESARD", "0000", "99", "00009"},
        {"Edit2", "", "0.5", "05"},
        {"Edit3", "01", "\b\b\b", ""},     // backspace at any length
        {"PCBSN", "", "1a2", "1a2"},       // no filter on the serial number
        {"COMDDATA1", "", "0x", "0x"},     // nor on the command data
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.edit) + " " + c.start + " + " + c.typed);
        auto* edit = Edit(c.edit);
        edit->setText(c.start);
        edit->setFocus();
        for (const char* k = c.typed; *k; ++k) {
            if (*k == '\b')
                QTest::keyClick(edit, Qt::Key_Backspace);
            else
                QTest::keyClick(edit, *k);
        }
        EXPECT_EQ(edit->text(), c.result);
    }

    // A full edit refuses a digit even over a selection; editing keys still work.
    auto* edit = Edit("ADBESARD");
    edit->setText("12345");
    edit->selectAll();
    QTest::keyClick(edit, '9');
    EXPECT_EQ(edit->text(), "12345");
    QTest::keyClick(edit, Qt::Key_Delete);
    QTest::keyClick(edit, '9');
    QTest::keyClick(edit, Qt::Key_Home);
    QTest::keyClick(edit, '1');
    QTest::keyClick(edit, Qt::Key_Return);
    EXPECT_EQ(edit->text(), "19");
}

TEST_F(SystemWindowTest, FieldThatIsNoIntegerSendsNothing) {
    struct Case {
        const char* edit;
        const char* button;
        int replyModeAfter;  // the code set before converting, or the old one kept
    };
    const Case cases[] = {
        {"Edit1", "Button2", 100},     {"Edit2", "Button7", 100}, {"Edit3", "Button10", 100},
        {"ADBESARD", "Button4", 1501}, {"PUBESARD", "Button4", 1501}, {"PCBSN", "Button53", 1501},
    };
    click("Button6");  // an earlier command stays in the send buffer
    ExpectWire("PPPPPP#VAR#");
    for (const auto& c : cases) {
        SCOPED_TRACE(c.edit);
        boxes.clear();
        const QString kept = Edit(c.edit)->text();
        Edit(c.edit)->clear();
        form->ReplyMode() = 1501;
        click(c.button);
        EXPECT_EQ(Boxes(), std::vector<QString>{"'' is not a valid integer value"});
        EXPECT_EQ(form->ReplyMode(), c.replyModeAfter);
        EXPECT_EQ(find<QLineEdit>("discomm")->text(), "PPPPPP#VAR#");
        Edit(c.edit)->setText(kept);
    }
    boxes.clear();
    RetypeCombo("JIANZHI", "7a");
    click("Button53");
    EXPECT_EQ(Boxes(), std::vector<QString>{"'7a' is not a valid integer value"});
    EXPECT_EQ(pty.readUntilQuiet(200ms), "");
}

TEST_F(SystemWindowTest, CommandDataMustBeWholeBytes) {
    click("Button6");
    ExpectWire("PPPPPP#VAR#");
    Retype("COMDDATA2", "0103000");
    form->ReplyMode() = 201;
    click("Button78");
    EXPECT_EQ(Boxes(), std::vector<QString>{"Input data must be plural"});
    EXPECT_EQ(form->ReplyMode(), 201);
    EXPECT_EQ(find<QLineEdit>("discomm")->text(), "PPPPPP#VAR#");
    EXPECT_EQ(pty.readUntilQuiet(200ms), "");

    Edit("COMDDATA2")->clear();
    click("Button78");
    ExpectWire("HQLNVE#COMW2:0,00#");
    const std::string data(124, 'A');
    Edit("COMDDATA2")->setText(QString::fromStdString(data));
    click("Button78");
    ExpectWire("HQLNVE#COMW2:0,124" + data + "#");
    EXPECT_EQ(form->ReplyMode(), 106);
    EXPECT_EQ(boxes.size(), 1u);
}

TEST_F(SystemWindowTest, ParameterQueryReplyFillsThePage) {
    click("Button49");
    ExpectWire("PPPPPP#QX1#");
    Reply("ADR:005,MDO:1,JTM:020,STM:030,02,BADR:00100,00200");
    EXPECT_EQ(Edit("Edit1")->text(), "005");
    EXPECT_EQ(Combo("ComboBox4")->currentText(), "1_RS485 ");
    EXPECT_EQ(Edit("Edit2")->text(), "020");
    EXPECT_EQ(Edit("Edit3")->text(), "030");
    EXPECT_EQ(Combo("SENDXIEYI")->currentText(), "2 Message Frame 2");
    EXPECT_EQ(Edit("ADBESARD")->text(), "00100");
    EXPECT_EQ(Edit("PUBESARD")->text(), "00200");
    EXPECT_EQ(Combo("ZMR485BT")->currentText(), "9600");
    EXPECT_EQ(form->ReplyMode(), 201);
    EXPECT_TRUE(boxes.empty());

    // Base addresses first: the slave address is not taken from them, and the
    // next "Set" sends the address the converter reported.
    Reply("BADR:00300,00400,ADR:017");
    EXPECT_EQ(Edit("Edit1")->text(), "017");
    EXPECT_EQ(Edit("ADBESARD")->text(), "00300");
    Reply("BADR:00500,00600");
    EXPECT_EQ(Edit("Edit1")->text(), "017");
    click("Button2");
    ExpectWire("HQLNVE#ADR:017#");
}

TEST_F(SystemWindowTest, LetterAfterMonitoringStopsTheParseWithAnError) {
    click("Button49");
    ExpectWire("PPPPPP#QX1#");
    Reply("ADR:042,MDO:A,JTM:099");
    EXPECT_EQ(Boxes(), std::vector<QString>{"'A' is not a valid integer value"});
    EXPECT_EQ(Edit("Edit1")->text(), "042");
    EXPECT_EQ(Combo("ComboBox4")->currentText(), "0_Disable Monitoring");
    EXPECT_EQ(Edit("Edit2")->text(), "010");
    EXPECT_EQ(form->ReplyMode(), 201);
}

TEST_F(SystemWindowTest, ReplyInTwoBlocksIsParsedFromTheLastOnly) {
    click("Button49");
    ExpectWire("PPPPPP#QX1#");
    // Both blocks are cut and queued while the window is busy, so the first
    // is replaced by the second before Timer2 fires.
    pty.write("ADR:005,MD");
    std::this_thread::sleep_for(400ms);
    pty.write("O:1,JTM:020");
    std::this_thread::sleep_for(400ms);
    WaitForQuietWindow("O:1,JTM:020");
    EXPECT_EQ(find<QPlainTextEdit>("Memo8")->toPlainText(), "O:1,JTM:020");
    EXPECT_EQ(Edit("Edit1")->text(), "001");
    EXPECT_EQ(Combo("ComboBox4")->currentText(), "0_Disable Monitoring");
    EXPECT_EQ(Edit("Edit2")->text(), "020");
}

TEST_F(SystemWindowTest, ReadBacksFillOneGroupThenLaterBlocksAreDropped) {
    click("Button81");
    ExpectWire("PPPPPP#COMR02#");
    Reply("COMR2:1,08,0103000000044409");
    EXPECT_EQ(Combo("COMAD2")->currentText(), "1_RS485B");
    EXPECT_EQ(Edit("COMDDATA2")->text(), "0103000000044409");
    EXPECT_EQ(form->ReplyMode(), 0);

    click("Button85");
    ExpectWire("PPPPPP#COMP03#");
    Reply("COMP03:0A0304");
    EXPECT_EQ(Edit("CCOMBY1")->text(), "0A");
    EXPECT_EQ(Edit("CCOMBY2")->text(), "03");
    EXPECT_EQ(Edit("CCOMBY3")->text(), "04");
    EXPECT_EQ(form->ReplyMode(), 0);

    // A record for no group of the page changes nothing.
    click("Button76");
    ExpectWire("PPPPPP#COMR01#");
    Retype("COMDDATA1", "AABB");
    Reply("COMR7:1,02,0102");
    EXPECT_EQ(Edit("COMDDATA1")->text(), "AABB");
    EXPECT_EQ(form->ReplyMode(), 0);

    // A record cut short keeps the whole fields only.
    click("Button37");
    ExpectWire("PPPPPP#COMR04#");
    Reply("COMR4:1,08,0103");
    EXPECT_EQ(Combo("COMAD4")->currentText(), "1_RS485B");
    EXPECT_EQ(Edit("COMDDATA4")->text(), "0103000000044409");
    EXPECT_EQ(form->ReplyMode(), 0);
}

TEST_F(SystemWindowTest, BadCountInAReadBackKeepsTheCodeForTheNextBlock) {
    click("Button41");
    ExpectWire("PPPPPP#COMR05#");
    Reply("COMR5:1,x8,0103000000044409");
    EXPECT_EQ(Boxes(), std::vector<QString>{"'x8' is not a valid integer value"});
    EXPECT_EQ(Combo("COMAD5")->currentText(), "1_RS485B");
    EXPECT_EQ(Edit("COMDDATA5")->text(), "0103000000044409");
    EXPECT_EQ(form->ReplyMode(), 1501);
    Reply("COMR5:0,02,ABCD");
    EXPECT_EQ(Edit("COMDDATA5")->text(), "ABCD");
    EXPECT_EQ(form->ReplyMode(), 0);
}

}  // namespace

// The "System Parameter" page on a stand-in for the window: what each button
// hands to the send step, the key filters, and the replies applied to the
// controls.

#include "SystemPage.h"
#include "DigitKeyFilter.h"

#include <gtest/gtest.h>

#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include <map>
#include <memory>

#include "Protocol.h"

// Readable QStrings in failure messages.
inline void PrintTo(const QString& text, std::ostream* os) { *os << '"' << text.toStdString() << '"'; }

using namespace console;

namespace {

struct Sent {
    std::string command;
    std::optional<int> code;
    int replyModeBefore;  // ReplyMode as the send step found it
    bool operator==(const Sent&) const = default;
};

class FakeHost : public ConsoleHost {
public:
    int& ReplyMode() override { return replyMode; }
    void SendCommand(const std::string& command, std::optional<int> code) override {
        sent.push_back({command, code, replyMode});
        if (code) replyMode = *code;
    }
    void RegisterParser(int code, std::function<void(const std::string&)> parser) override {
        parsers[code] = std::move(parser);
    }
    void ShowMessage(const QString& text) override { messages.push_back(text); }

    int replyMode = 0;
    std::vector<Sent> sent;
    std::map<int, std::function<void(const std::string&)>> parsers;
    std::vector<QString> messages;
};

class SystemPageTest : public ::testing::Test {
protected:
    SystemPageTest() {
        window.resize(1010, 816);
        sheet = new QWidget(&window);
        sheet->setObjectName("TabSheet1");
        sheet->setGeometry(16, 112, 953, 505);
        auto* button8 = new QPushButton("Parameter Initialization", &window);
        button8->setObjectName("Button8");
        button8->setGeometry(776, 568, 129, 33);
        page = new SystemPage(sheet, host);
        window.show();
    }

    template <typename T>
    T* Find(const char* name) {
        auto* w = window.findChild<T*>(name);
        if (!w) ADD_FAILURE() << "no control " << name;
        return w;
    }
    QLineEdit* Edit(const char* name) { return Find<QLineEdit>(name); }
    QComboBox* Combo(const char* name) { return Find<QComboBox>(name); }
    void Click(const char* button) { QTest::mouseClick(Find<QPushButton>(button), Qt::LeftButton); }
    std::string LastCommand() { return host.sent.empty() ? "" : host.sent.back().command; }

    // The message of the conversion error a handler raises, or "" when none.
    template <typename Handler>
    std::string ConversionError(Handler handler) {
        try {
            (page->*handler)();
        } catch (const protocol::EConvertError& e) {
            return e.what();
        }
        return "";
    }

    FakeHost host;
    QWidget window;
    QWidget* sheet = nullptr;
    SystemPage* page = nullptr;
};

TEST_F(SystemPageTest, ControlsStartAtTheirDefaultsAndPlaces) {
    struct EditRow {
        const char* name;
        const char* text;
        QRect geometry;
    };
    for (const auto& e : {EditRow{"Edit1", "001", {160, 10, 41, 21}}, EditRow{"ADBESARD", "00000", {160, 70, 41, 21}},
                          EditRow{"PUBESARD", "00000", {344, 70, 41, 21}}, EditRow{"Edit2", "010", {128, 100, 49, 21}},
                          EditRow{"Edit3", "010", {128, 130, 49, 21}}, EditRow{"PCBSN", "00000000", {64, 16, 97, 21}},
                          EditRow{"COMDDATA1", "0103000000044409", {184, 16, 153, 21}},
                          EditRow{"FCOMBY3", "00", {312, 40, 25, 21}}}) {
        SCOPED_TRACE(e.name);
        auto* edit = Edit(e.name);
        ASSERT_TRUE(edit);
        EXPECT_EQ(edit->text(), e.text);
        EXPECT_EQ(edit->geometry(), e.geometry);
    }
    struct ComboRow {
        const char* name;
        const char* text;
        int count;
        QRect geometry;
    };
    for (const auto& c : {ComboRow{"ComboBox4", "0_Disable Monitoring", 2, {160, 40, 129, 21}},
                          ComboRow{"SENDXIEYI", "0 RTU Query-Response", 4, {216, 130, 161, 21}},
                          ComboRow{"ZMR485BT", "9600", 5, {60, 35, 69, 21}},
                          ComboRow{"AMR485JN", "None", 3, {190, 91, 65, 21}},
                          ComboRow{"BRS485STOP", "1", 2, {328, 147, 50, 21}},
                          ComboRow{"JIANZHI", "001", 13, {224, 16, 57, 21}},
                          ComboRow{"COMAD1", "0_Close", 2, {48, 16, 73, 21}},
                          ComboRow{"COMAD4", "0_Close", 2, {48, 18, 73, 21}}}) {
        SCOPED_TRACE(c.name);
        auto* box = Combo(c.name);
        ASSERT_TRUE(box);
        EXPECT_EQ(box->currentText(), c.text);
        EXPECT_EQ(box->count(), c.count);
        EXPECT_EQ(box->geometry(), c.geometry);
    }
    EXPECT_EQ(Combo("ComboBox4")->itemText(1), "1_RS485 ");
    EXPECT_EQ(Find<QPushButton>("Button49")->geometry(), QRect(536, 432, 129, 33));
    EXPECT_EQ(Find<QPushButton>("Button53")->text(), "Set");
    EXPECT_EQ(Find<QGroupBox>("GroupBox39")->title(), "Instrument Communication Parameters");
    EXPECT_EQ(Find<QGroupBox>("GroupBox39")->geometry(), QRect(8, 170, 465, 191));
    EXPECT_EQ(Find<QPushButton>("Button42")->parentWidget()->geometry(), QRect(480, 353, 457, 68));
    EXPECT_EQ(Find<QPushButton>("Button80")->parentWidget()->geometry(), QRect(480, 70, 457, 70));
}

TEST_F(SystemPageTest, InspectorNumbersRunWithoutRepeats) {
    QStringList items;
    for (int i = 0; i < Combo("JIANZHI")->count(); ++i) items << Combo("JIANZHI")->itemText(i);
    EXPECT_EQ(items, QStringList({"001", "002", "003", "004", "005", "006", "007", "008", "009", "101", "102",
                                  "103", "104"}));
}

TEST_F(SystemPageTest, EveryGroupLabelsItsThreeBytesInOrder) {
    for (auto* group : sheet->findChildren<QGroupBox*>()) {
        if (!group->title().startsWith("Command ")) continue;
        SCOPED_TRACE(group->title().toStdString());
        QStringList bytes;
        for (auto* label : group->findChildren<QLabel*>())
            if (label->text().startsWith("Byte")) bytes << label->text();
        EXPECT_EQ(bytes, QStringList({"Byte1:", "Byte2:", "Byte3:"}));
    }
    EXPECT_EQ(sheet->findChildren<QGroupBox*>().size(), 8);
}

TEST_F(SystemPageTest, EveryButtonSendsItsCommandWithTheDefaults) {
    struct Case {
        const char* button;
        const char* command;
        std::optional<int> code;
    };
    const Case cases[] = {
        {"Button49", "PPPPPP#QX1#", 201},
        {"Button2", "HQLNVE#ADR:001#", 100},
        {"Button3", "HQLNVE#MDO:0#", 100},
        {"Button4", "HQLNVE#BADR:00000,00000#", std::nullopt},
        {"Button7", "HQLNVE#JTM:010#", 100},
        {"Button10", "HQLNVE#STM:010,00#", 100},
        {"Button188", "HQLNVE#MR485Z:3,0,0#", std::nullopt},
        {"Button22", "HQLNVE#MR485A:3,0,0#", std::nullopt},
        {"Button17", "HQLNVE#MR485B:3,0,0#", std::nullopt},
        {"Button53", "PPPPPP#PCBSN:00000000,001#", std::nullopt},
        {"Button8", "HQLNVE#RESET#", 100},
        {"Button73", "HQLNVE#COMW1:0,160103000000044409#", 106},
        {"Button76", "PPPPPP#COMR01#", 1501},
        {"Button75", "HQLNVE#COMP01:010300#", 1502},
        {"Button74", "PPPPPP#COMP01#", 1502},
        {"Button78", "HQLNVE#COMW2:0,160103000000044409#", 106},
        {"Button87", "PPPPPP#COMR03#", 1501},
        {"Button34", "HQLNVE#COMP04:010300#", 1502},
        {"Button39", "PPPPPP#COMP05#", 1502},
        {"Button44", "HQLNVE#COMW6:0,160103000000044409#", 106},
        {"Button45", "PPPPPP#COMR06#", 1501},
        {"Button42", "HQLNVE#COMP06:010300#", 1502},
        {"Button43", "PPPPPP#COMP06#", 1502},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.button);
        host.sent.clear();
        host.replyMode = 7;
        Click(c.button);
        ASSERT_EQ(host.sent.size(), 1u);
        EXPECT_EQ(host.sent[0].command, c.command);
        // The handlers that take a code before converting have already set it;
        // the send step gives it to the others, except "PCBSN", which takes it after.
        if (std::string_view(c.button) == "Button53") {
            EXPECT_EQ(host.sent[0].code, std::nullopt);
            EXPECT_EQ(host.replyMode, 100);
        } else {
            EXPECT_EQ(host.sent[0].code, c.code);
            EXPECT_EQ(host.replyMode, c.code.value_or(7));
        }
    }
}

TEST_F(SystemPageTest, TypedValuesTravelInTheirEncodings) {
    QTest::keyClick(Edit("Edit1"), Qt::Key_End);
    for (int i = 0; i < 3; ++i) QTest::keyClick(Edit("Edit1"), Qt::Key_Backspace);
    QTest::keyClicks(Edit("Edit1"), "7");
    Click("Button2");
    EXPECT_EQ(LastCommand(), "HQLNVE#ADR:007#");

    Combo("AMR485BT")->setCurrentIndex(4);
    Combo("AMR485JN")->setCurrentIndex(2);
    Combo("ARS485STOP")->setCurrentIndex(1);
    host.replyMode = 201;
    Click("Button22");
    EXPECT_EQ(LastCommand(), "HQLNVE#MR485A:4,2,1#");
    EXPECT_EQ(host.replyMode, 201);

    // Typed text that names no item travels as -1.
    for (const char* name : {"ComboBox4", "SENDXIEYI", "BMR485BT", "COMAD2"}) {
        Combo(name)->lineEdit()->selectAll();
        QTest::keyClicks(Combo(name), "x");
    }
    Click("Button3");
    EXPECT_EQ(LastCommand(), "HQLNVE#MDO:-1#");
    Click("Button10");
    EXPECT_EQ(LastCommand(), "HQLNVE#STM:010,-01#");
    Click("Button17");
    EXPECT_EQ(LastCommand(), "HQLNVE#MR485B:-1,0,0#");
    Click("Button78");
    EXPECT_EQ(LastCommand(), "HQLNVE#COMW2:-1,160103000000044409#");

    // The inspector travels as its text, typed or picked.
    Combo("JIANZHI")->setCurrentIndex(6);
    Click("Button53");
    EXPECT_EQ(LastCommand(), "PPPPPP#PCBSN:00000000,007#");
    Combo("JIANZHI")->lineEdit()->selectAll();
    QTest::keyClicks(Combo("JIANZHI"), "42");
    Edit("PCBSN")->setText("123");
    Click("Button53");
    EXPECT_EQ(LastCommand(), "PPPPPP#PCBSN:00000123,042#");

    // Parsing-rule bytes go as typed, unpadded.
    Edit("CCOMBY2")->setText("3");
    Click("Button86");
    EXPECT_EQ(LastCommand(), "HQLNVE#COMP03:01300#");
}

TEST_F(SystemPageTest, KeyFiltersTakeDigitsUpToTheLimitAndBackspaceAlways) {
    struct Case {
        const char* edit;
        const char* start;
        QString typed;  // '\b' is a backspace key
        const char* result;
    };
    const Case cases[] = {
        {"Edit1", "001", "2", "001"},             // a fourth digit is refused
        {"Edit1", "", "12345", "123"},
        {"Edit1", "", "a-+ .1x2", "12"},          // letters, signs, blanks are discarded
        {"Edit1", "001", "\b\b9", "09"},
        {"ADBESARD", "", "1234567", "12345"},
        {"PUBESARD", "0000", "99", "00009"},
        {"Edit2", "", "0.5", "05"},
        {"Edit3", "010", "\b\b\b\b", ""},         // backspace at any length, even empty
        {"PCBSN", "", "1a2", "1a2"},              // no filter on the serial number
        {"COMDDATA1", "", "0x", "0x"},            // nor on the command data
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.edit + std::string(" ") + c.start + " + " + c.typed.toStdString());
        auto* edit = Edit(c.edit);
        edit->setText(c.start);
        edit->setFocus();
        edit->end(false);
        for (QChar ch : c.typed) {
            if (ch == u'\b')
                QTest::keyClick(edit, Qt::Key_Backspace);
            else
                QTest::keyClick(edit, ch.toLatin1());
        }
        EXPECT_EQ(edit->text(), c.result);
    }
}

TEST_F(SystemPageTest, FullEditRefusesADigitEvenOverASelection) {
    auto* edit = Edit("ADBESARD");
    edit->setText("12345");
    edit->selectAll();
    QTest::keyClick(edit, '9');
    EXPECT_EQ(edit->text(), "12345");
    // Editing keys still work: Delete, then the digit fits.
    QTest::keyClick(edit, Qt::Key_Delete);
    QTest::keyClick(edit, '9');
    EXPECT_EQ(edit->text(), "9");
    // Navigation and Enter reach the edit or are dropped without changing it.
    QTest::keyClick(edit, Qt::Key_Home);
    QTest::keyClick(edit, '1');
    QTest::keyClick(edit, Qt::Key_Return);
    QTest::keyClick(edit, Qt::Key_Space);
    EXPECT_EQ(edit->text(), "19");
}

TEST(DigitKeyRule, JudgesOneCharacterAgainstTheLength) {
    EXPECT_TRUE(DigitKeyFilter::Accepts(u'0', 0, 3));
    EXPECT_TRUE(DigitKeyFilter::Accepts(u'9', 2, 3));
    EXPECT_FALSE(DigitKeyFilter::Accepts(u'9', 3, 3));
    EXPECT_TRUE(DigitKeyFilter::Accepts(QChar(8), 3, 3));
    EXPECT_TRUE(DigitKeyFilter::Accepts(QChar(8), 0, 3));
    for (char16_t c : {u'a', u'-', u'+', u' ', u'\r', u'\x1b', u'\0', u'\x660' /* Arabic zero */})
        EXPECT_FALSE(DigitKeyFilter::Accepts(QChar(c), 0, 3)) << int(c);
}

TEST_F(SystemPageTest, ConversionErrorsLeaveTheCodeAsTheHandlerLeftIt) {
    struct Case {
        const char* edit;
        void (SystemPage::*handler)();
        int replyModeAfter;
    };
    const Case cases[] = {
        {"Edit1", &SystemPage::Button2Click, 100},  {"Edit2", &SystemPage::Button7Click, 100},
        {"Edit3", &SystemPage::Button10Click, 100}, {"ADBESARD", &SystemPage::Button4Click, 1501},
        {"PUBESARD", &SystemPage::Button4Click, 1501}, {"PCBSN", &SystemPage::Button53Click, 1501},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.edit);
        const QString before = Edit(c.edit)->text();
        Edit(c.edit)->setText("");
        host.replyMode = 1501;
        EXPECT_EQ(ConversionError(c.handler), "'' is not a valid integer value");
        EXPECT_EQ(host.replyMode, c.replyModeAfter);
        EXPECT_TRUE(host.sent.empty());
        Edit(c.edit)->setText(before);
    }
    Combo("JIANZHI")->setEditText("7a");
    EXPECT_EQ(ConversionError(&SystemPage::Button53Click), "'7a' is not a valid integer value");
    EXPECT_TRUE(host.sent.empty());
}

TEST_F(SystemPageTest, CommandDataMustBeWholeBytes) {
    struct Case {
        std::size_t length;
        bool sent;
        const char* count;
    };
    for (const auto& c : {Case{7, false, ""}, Case{0, true, "00"}, Case{124, true, "124"}, Case{1, false, ""}}) {
        SCOPED_TRACE(c.length);
        host.sent.clear();
        host.messages.clear();
        host.replyMode = 201;
        const std::string data(c.length, 'F');
        Edit("COMDDATA5")->setText(QString::fromStdString(data));
        Click("Button38");
        if (c.sent) {
            EXPECT_TRUE(host.messages.empty());
            EXPECT_EQ(LastCommand(), "HQLNVE#COMW5:0," + std::string(c.count) + data + "#");
            EXPECT_EQ(host.replyMode, 106);
        } else {
            EXPECT_EQ(host.messages, std::vector<QString>{"Input data must be plural"});
            EXPECT_TRUE(host.sent.empty());
            EXPECT_EQ(host.replyMode, 201);
        }
    }
}

TEST_F(SystemPageTest, ParameterReplyFillsThePage) {
    ASSERT_TRUE(host.parsers.count(201));
    host.replyMode = 201;
    host.parsers[201]("ADR:005,MDO:1,JTM:020,STM:030,02,BADR:00100,00200");
    EXPECT_EQ(Edit("Edit1")->text(), "005");
    EXPECT_EQ(Combo("ComboBox4")->currentText(), "1_RS485 ");
    EXPECT_EQ(Edit("Edit2")->text(), "020");
    EXPECT_EQ(Edit("Edit3")->text(), "030");
    EXPECT_EQ(Combo("SENDXIEYI")->currentText(), "2 Message Frame 2");
    EXPECT_EQ(Edit("ADBESARD")->text(), "00100");
    EXPECT_EQ(Edit("PUBESARD")->text(), "00200");
    EXPECT_EQ(Combo("ZMR485BT")->currentText(), "9600");
    EXPECT_EQ(host.replyMode, 201);

    host.parsers[201]("MR485B:5,1,1");
    EXPECT_EQ(Combo("BMR485BT")->currentText(), "");  // 5 names no baud
    EXPECT_EQ(Combo("BMR485JN")->currentText(), "Odd");
    EXPECT_EQ(Combo("BRS485STOP")->currentText(), "2");
}

TEST_F(SystemPageTest, ParameterReplyStoppedByALetterKeepsEarlierFields) {
    host.replyMode = 201;
    try {
        host.parsers[201]("ADR:009,MDO:Z,JTM:077");
        ADD_FAILURE() << "no conversion error";
    } catch (const protocol::EConvertError& e) {
        EXPECT_STREQ(e.what(), "'Z' is not a valid integer value");
    }
    EXPECT_EQ(Edit("Edit1")->text(), "009");
    EXPECT_EQ(Combo("ComboBox4")->currentText(), "0_Disable Monitoring");
    EXPECT_EQ(Edit("Edit2")->text(), "010");
    EXPECT_EQ(host.replyMode, 201);
}

TEST_F(SystemPageTest, ReadBacksFillOneGroupAndEndTheExchange) {
    host.replyMode = 1501;
    host.parsers[1501]("COMR2:1,08,0103000000044409");
    EXPECT_EQ(Combo("COMAD2")->currentText(), "1_RS485B");
    EXPECT_EQ(Edit("COMDDATA2")->text(), "0103000000044409");
    EXPECT_EQ(host.replyMode, 0);

    host.replyMode = 1501;
    host.parsers[1501]("COMR3:7,00,");
    EXPECT_EQ(Combo("COMAD3")->currentText(), "");
    EXPECT_EQ(Edit("COMDDATA3")->text(), "");
    EXPECT_EQ(host.replyMode, 0);
    Click("Button82");
    EXPECT_EQ(LastCommand(), "HQLNVE#COMW3:-1,00#");

    host.replyMode = 1501;
    EXPECT_THROW(host.parsers[1501]("COMR4:1,x8,0103"), protocol::EConvertError);
    EXPECT_EQ(Combo("COMAD4")->currentText(), "1_RS485B");
    EXPECT_EQ(Edit("COMDDATA4")->text(), "0103000000044409");
    EXPECT_EQ(host.replyMode, 1501);

    host.replyMode = 1502;
    host.parsers[1502]("COMP03:0A0304COMP02:111111");
    EXPECT_EQ(Edit("CCOMBY1")->text(), "0A");
    EXPECT_EQ(Edit("CCOMBY2")->text(), "03");
    EXPECT_EQ(Edit("CCOMBY3")->text(), "04");
    EXPECT_EQ(Edit("BCOMBY1")->text(), "01");
    EXPECT_EQ(host.replyMode, 0);
}

}  // namespace

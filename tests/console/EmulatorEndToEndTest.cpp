// The whole way round: the window, the serial component and the converter
// emulator as a separate program on a pseudo-terminal.

#include <QLineEdit>
#include <QPlainTextEdit>

#include "tests/util/EmulatorProcess.h"
#include "tests/console/WindowFixture.h"
#include "tests/console/WindowsSkips.h"

namespace consoletest {
namespace {

using namespace std::chrono_literals;

class EmulatorEndToEndTest : public WindowTest {
protected:
    void SetUp() override {
        SKIP_ON_WINDOWS(kEmulatorProgram);
        WindowTest::SetUp();
    }
    QString memo() { return find<QPlainTextEdit>("Memo8")->toPlainText(); }
    QLineEdit* edit(const char* name) { return find<QLineEdit>(name); }
    void setText(const char* name, const QString& value) {
        edit(name)->clear();
        QTest::keyClicks(edit(name), value);
    }
    void pick(const char* combo, int index) { console::SetItemIndex(find<QComboBox>(combo), index); }
    int index(const char* combo) { return console::ItemIndex(find<QComboBox>(combo)); }
    // Clicks a set button and waits for the converter's answer to show.
    void set(const char* button, const QString& answer) {
        click(button);
        ASSERT_TRUE(waitFor([&] { return memo().contains(answer); })) << "memo: " << memo().toStdString();
    }
    // Clicks a query button and waits until its reply has been parsed.
    void query(const char* button) {
        click(button);
        ASSERT_TRUE(waitFor([&] { return !memo().isEmpty() && form->ReplyMode() == 0; }));
    }
};

TEST_F(EmulatorEndToEndTest, ChannelsWrittenAreReadBackIntoTheirRows) {
    Emulator emulator;
    openOn(emulator.port());
    ASSERT_TRUE(form->PortIsOpen());

    setText("MAD4MADR", "005");
    pick("MAD4XIN", 11);
    pick("ADFART4", 1);
    set("Button173", "ZDAD04:0,005,4,11,00001,008,1 OK");
    setText("MAD4MADR", "001");
    pick("MAD4XIN", 0);
    pick("ADFART4", 0);
    query("Button5");
    EXPECT_EQ(edit("MAD4MADR")->text(), "005");
    EXPECT_EQ(index("MAD4XIN"), 11);
    EXPECT_EQ(index("ADFART4"), 1);

    pick("MPD12USE", 6);
    setText("MPD12XS", "00100");
    set("Button33", "ZDPU12:6,001,4,00,00100,028,0 OK");
    pick("MPD12USE", 0);
    setText("MPD12XS", "00001");
    query("Button47");
    EXPECT_EQ(index("MPD12USE"), 6);
    EXPECT_EQ(edit("MPD12XS")->text(), "00100");
    EXPECT_TRUE(boxes.empty());
}

TEST_F(EmulatorEndToEndTest, SystemParametersAndCustomCommandsWrittenAreReadBack) {
    Emulator emulator;
    openOn(emulator.port());
    ASSERT_TRUE(form->PortIsOpen());

    setText("Edit1", "5");
    set("Button2", "ADR:005 OK");
    setText("ADBESARD", "100");
    set("Button4", "BADR:00100,00000 OK");
    pick("AMR485BT", 4);
    pick("AMR485JN", 2);
    set("Button22", "MR485A:4,2,0 OK");
    setText("Edit1", "9");
    setText("ADBESARD", "0");
    pick("AMR485BT", 3);
    click("Button49");
    // The parameter reply leaves the code at 201: wait for the fields instead.
    ASSERT_TRUE(waitFor([&] { return edit("Edit1")->text() == "005"; }));
    EXPECT_EQ(edit("ADBESARD")->text(), "00100");
    EXPECT_EQ(index("AMR485BT"), 4);
    EXPECT_EQ(index("AMR485JN"), 2);
    EXPECT_EQ(form->ReplyMode(), 201);

    pick("COMAD2", 1);
    setText("COMDDATA2", "0102030A");
    set("Button78", "COMW2 OK");
    pick("COMAD2", 0);
    setText("COMDDATA2", "");
    query("Button81");
    EXPECT_EQ(index("COMAD2"), 1);
    EXPECT_EQ(edit("COMDDATA2")->text(), "0102030A");

    setText("CCOMBY1", "0A");
    set("Button86", "COMP03:0A0300");
    setText("CCOMBY1", "01");
    query("Button85");
    EXPECT_EQ(edit("CCOMBY1")->text(), "0A");
    EXPECT_TRUE(boxes.empty());
}

TEST_F(EmulatorEndToEndTest, ConverterGoingAwayClosesThePortAndKeepsTheReply) {
    Emulator emulator({"--hangup-after", "1"});
    openOn(emulator.port());
    ASSERT_TRUE(form->PortIsOpen());
    click("Button6");
    ASSERT_TRUE(waitFor([&] { return memo().startsWith("TQ410-K V3.0"); }));
    ASSERT_TRUE(emulator.ended(5s));
    ASSERT_TRUE(waitFor([&] { return !form->PortIsOpen(); }));
    EXPECT_EQ(find<QPushButton>("Button1")->text(), "Open");
    EXPECT_TRUE(memo().startsWith("TQ410-K V3.0"));
    EXPECT_TRUE(boxes.empty());
}

}  // namespace
}  // namespace consoletest

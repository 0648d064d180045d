// Typed text that would break a command's frame, or cannot travel at all, is
// refused at send time with one box that names the field and the character;
// nothing is sent and the window's state stays as it was.

#include <QLineEdit>
#include <QPlainTextEdit>

#include "tests/util/PtyPair.h"
#include "tests/console/WindowFixture.h"

using namespace consoletest;
using namespace std::chrono_literals;

namespace {

class FieldRefusalTest : public WindowTest {
protected:
    void SetUp() override {
        WindowTest::SetUp();
        openOn(pty.slavePath());
        ASSERT_TRUE(form->PortIsOpen());
    }
    testutil::PtyPair pty;
};

const QString Dot = QString::fromUtf8("\u00b7");

}  // namespace

TEST_F(FieldRefusalTest, RefusedFieldsSendNothingAndChangeNothing) {
    const struct {
        const char* field;
        QString text;  // pasted, as the keyboard filters would not let some through
        const char* button;
        QString message;
    } cases[] = {
        {"MAD3XS", "1,5", "Button172",
         "Analog 3 " + Dot + " Coefficient: \"1,5\" holds \",\", which would split the field in two; "
                             "nothing was sent"},
        {"MPD2MADR", "0#1", "Button175",
         "Totalizer 2 " + Dot + " Address: \"0#1\" holds \"#\", which would end the command early; nothing was sent"},
        {"ACOMBY2", "0#", "Button75",
         "Command 1 " + Dot + " Byte2: \"0#\" holds \"#\", which would end the command early; nothing was sent"},
        {"COMDDATA2", "HQLNVE#RESET#0", "Button78",
         "Command 2 " + Dot + " Command: \"HQLNVE#RESET#0\" holds \"H\", which is not a hexadecimal digit "
                              "(0-9, A-F); nothing was sent"},
        {"COMDDATA3", "0103,0", "Button82",
         "Command 3 " + Dot + " Command: \"0103,0\" holds \",\", which is not a hexadecimal digit "
                              "(0-9, A-F); nothing was sent"},
        {"MAD1MADR", QString::fromUtf8("0\u0663"), "Button170",
         QString::fromUtf8("Analog 1 \u00b7 Address: \"0\u0663\" holds \"\u0663\", which cannot travel on the "
                           "serial line (one byte per character, Latin-1 only); nothing was sent")},
        {"Edit1", QString::fromUtf8("1\u20ac"), "Button2",
         QString::fromUtf8("Slave address: \"1\u20ac\" holds \"\u20ac\", which cannot travel on the serial line "
                           "(one byte per character, Latin-1 only); nothing was sent")},
        {"PUBESARD", QString::fromUtf8("\u4e00"), "Button4",
         QString::fromUtf8("Pulse channel base address: \"\u4e00\" holds \"\u4e00\", which cannot travel on the "
                           "serial line (one byte per character, Latin-1 only); nothing was sent")},
        {"COMDDATA4", QString::fromUtf8("01\u20ac3"), "Button36",
         QString::fromUtf8("Command 4 \u00b7 Command: \"01\u20ac3\" holds \"\u20ac\", which cannot travel on the "
                           "serial line (one byte per character, Latin-1 only); nothing was sent")},
    };
    auto* discomm = find<QLineEdit>("discomm");
    auto* memo = find<QPlainTextEdit>("Memo8");
    for (const auto& c : cases) {
        SCOPED_TRACE(c.field);
        boxes.clear();
        form->ReplyMode() = 201;
        discomm->setText("PPPPPP#QX1#");
        memo->setPlainText("last reply");
        auto* edit = find<QLineEdit>(c.field);
        const QString kept = edit->text();
        edit->setText(c.text);
        click(c.button);
        ASSERT_EQ(boxes.size(), 1u);
        EXPECT_EQ(boxes[0].text, c.message);
        EXPECT_EQ(form->ReplyMode(), 201);
        EXPECT_EQ(discomm->text(), "PPPPPP#QX1#");
        EXPECT_EQ(memo->toPlainText(), "last reply");
        EXPECT_EQ(edit->text(), c.text);  // the text stays for the user to mend
        edit->setText(kept);
    }
    EXPECT_EQ(pty.readUntilQuiet(300ms), "");
}

TEST_F(FieldRefusalTest, TextsThatTravelGoByteForByte) {
    const struct {
        const char* field;
        QString text;
        const char* button;
        std::string wire;
    } cases[] = {
        {"MAD3XS", "1.5", "Button172", "HQLNVE#ZDAD03:0,001,4,00,1.5,004,0#"},
        {"MAD3XS", QString::fromUtf8("\u00e9 :"), "Button172", "HQLNVE#ZDAD03:0,001,4,00,\xE9 :,004,0#"},
        {"ACOMBY1", "FF", "Button75", "HQLNVE#COMP01:FF0300#"},
        {"COMDDATA2", "0a0B", "Button78", "HQLNVE#COMW2:0,040a0B#"},
        {"Edit1", "7", "Button2", "HQLNVE#ADR:007#"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.field);
        auto* edit = find<QLineEdit>(c.field);
        const QString kept = edit->text();
        edit->setText(c.text);
        click(c.button);
        const std::string bytes = pty.readAtLeast(c.wire.size(), 3s);
        EXPECT_EQ(bytes + pty.readUntilQuiet(50ms), c.wire);
        edit->setText(kept);
    }
    EXPECT_TRUE(boxes.empty());
}

// The analog and totalizer pages in the real window, talking to a pseudo-terminal.

#include <QLineEdit>
#include <QPlainTextEdit>

#include "protocol/ChannelTable.h"
#include "tests/util/PtyPair.h"
#include "tests/console/WindowFixture.h"

namespace consoletest {
namespace {

using namespace std::chrono_literals;

class ChannelPagesTest : public WindowTest {
protected:
    void SetUp() override {
        WindowTest::SetUp();
        openOn(pty.slavePath());
        ASSERT_TRUE(form->PortIsOpen());
    }

    // Clicks `button` and returns the bytes the converter receives.
    std::string sendBy(const char* button, std::size_t expectedLength) {
        click(button);
        std::string wire = pty.readAtLeast(expectedLength, 5s);
        // Nothing more follows.
        wire += pty.readUntilQuiet(20ms);
        return wire;
    }
    // Clicks `button` and checks that the converter receives exactly `expected`.
    void expectSent(const char* button, const std::string& expected) {
        EXPECT_EQ(sendBy(button, expected.size()), expected) << "sent by " << button;
    }
    // The converter answers; returns once the reply has been parsed (ReplyMode
    // moves on) or its parse has failed (a box).
    void answer(const std::string& reply) {
        const int code = form->ReplyMode();
        const auto boxesBefore = boxes.size();
        pty.write(reply);
        ASSERT_TRUE(waitFor([&] { return form->ReplyMode() != code || boxes.size() != boxesBefore; }))
            << "the reply was not parsed";
    }

    QString text(const std::string& edit) { return find<QLineEdit>(edit.c_str())->text(); }
    QComboBox* box(const std::string& name) { return find<QComboBox>(name.c_str()); }
    void setText(const std::string& edit, const QString& value) {
        auto* e = find<QLineEdit>(edit.c_str());
        e->clear();
        QTest::keyClicks(e, value);
    }
    void typeInto(const std::string& combo, const QString& value) { type(combo.c_str(), value); }
    QString memo() { return find<QPlainTextEdit>("Memo8")->toPlainText(); }

    // The seven controls of a row as the window shows them: item index for boxes, text for edits.
    std::vector<std::string> row(const protocol::ChannelTable& table, int channel) {
        std::vector<std::string> out;
        for (const auto& column : table.columns) {
            const std::string name = protocol::ControlName(column, channel);
            out.push_back(column.IsComboBox() ? std::to_string(console::ItemIndex(box(name)))
                                              : text(name).toStdString());
        }
        return out;
    }
    std::vector<std::string> defaults(const protocol::ChannelTable& table, int channel) {
        std::vector<std::string> out;
        for (const auto& column : table.columns)
            out.push_back(column.IsComboBox() ? std::to_string(column.defaultIndex)
                                              : protocol::DefaultText(column, channel));
        return out;
    }

    testutil::PtyPair pty;
    const protocol::ChannelTable& analog = protocol::AnalogChannels();
    const protocol::ChannelTable& totalizer = protocol::TotalizerChannels();
};

TEST_F(ChannelPagesTest, EverySetButtonSendsItsOwnChannelWithDefaults) {
    struct Page {
        const char* word;
        std::vector<const char*> buttons;  // channels 1, 2, … in order
        std::vector<const char*> dataAddresses;
    };
    const Page pages[] = {
        {"ZDAD",
         {"Button170", "Button171", "Button172", "Button173", "Button13", "Button12", "Button11", "Button18",
          "Button19", "Button20", "Button21", "Button23", "Button24", "Button25", "Button27", "Button28"},
         {"000", "002", "004", "008", "010", "012", "014", "014", "014", "014", "014", "014", "014", "014",
          "014", "014"}},
        {"ZDPU",
         {"Button174", "Button175", "Button176", "Button177", "Button16", "Button15", "Button14", "Button29",
          "Button30", "Button31", "Button32", "Button33"},
         {"016", "018", "020", "022", "024", "026", "028", "028", "028", "028", "028", "028"}},
    };
    for (const Page& page : pages) {
        for (std::size_t i = 0; i < page.buttons.size(); ++i) {
            const std::string expected = "HQLNVE#" + std::string(page.word) +
                                         protocol::ChannelDigits(static_cast<int>(i + 1)) +
                                         ":0,001,4,00,00001," + page.dataAddresses[i] + ",0#";
            SCOPED_TRACE(expected);
            form->ReplyMode() = 0;
            EXPECT_EQ(sendBy(page.buttons[i], expected.size()), expected);
            EXPECT_EQ(form->ReplyMode(), 100);
            EXPECT_EQ(text("discomm").toStdString(), expected);
        }
    }
}

TEST_F(ChannelPagesTest, QueryButtonsAskForTheirHalfAndExpectTheirReply) {
    struct Case {
        const char* button;
        const char* command;
        int code;
    };
    for (const Case& c : {Case{"Button5", "PPPPPP#QX2#", 202}, Case{"Button46", "PPPPPP#QX3#", 202},
                          Case{"Button9", "PPPPPP#QX4#", 203}, Case{"Button47", "PPPPPP#QX5#", 203}}) {
        SCOPED_TRACE(c.button);
        form->ReplyMode() = 100;
        expectSent(c.button, c.command);
        EXPECT_EQ(form->ReplyMode(), c.code);
    }
}

TEST_F(ChannelPagesTest, FieldsTravelAsTheRowHoldsThem) {
    struct Case {
        std::function<void()> edit;  // on analog row 2, from its defaults
        const char* fields;
    };
    const Case cases[] = {
        {[&] { box("MAD2XIN")->setCurrentIndex(9); }, "0,001,4,09,00001,002,0"},
        {[&] { box("MAD2XIN")->setCurrentIndex(10); }, "0,001,4,10,00001,002,0"},
        {[&] { box("MAD2XIN")->setCurrentIndex(24); }, "0,001,4,24,00001,002,0"},
        // Text typed over a box that matches no item: no selection.
        {[&] { typeInto("MAD2XIN", "7-Signed"); }, "0,001,4,0-1,00001,002,0"},
        {[&] { typeInto("MAD2USE", "Command 3"); }, "-1,001,4,00,00001,002,0"},
        {[&] { typeInto("ADFART2", "2_"); }, "0,001,4,00,00001,002,-1"},
        {[&] {
             typeInto("MAD2USE", "3_Command 3");
             setText("MAD2DADR", "");
             setText("MAD2XS", "1.5");
             setText("ADSADR2", " 7 ");
         },
         "3,001,,00,1.5, 7 ,0"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.fields);
        c.edit();
        const std::string expected = std::string("HQLNVE#ZDAD02:") + c.fields + "#";
        EXPECT_EQ(sendBy("Button171", expected.size()), expected);
        for (const auto& column : analog.columns) {  // back to the defaults
            const std::string name = protocol::ControlName(column, 2);
            if (column.IsComboBox())
                console::SetItemIndex(box(name), column.defaultIndex);
            else
                find<QLineEdit>(name.c_str())->setText(QString::fromStdString(protocol::DefaultText(column, 2)));
        }
    }
    // The totalizer rows work alike.
    typeInto("MPD11XIN", "");
    setText("MPD11MADR", "");
    expectSent("Button32", "HQLNVE#ZDPU11:0,,4,0-1,00001,028,0#");
}

TEST_F(ChannelPagesTest, RowsAreIndependent) {
    // Change every field of analog row 5 and totalizer row 7 …
    typeInto("MAD5USE", "4_Command 4");
    setText("MAD5MADR", "123");
    setText("MAD5DADR", "2");
    box("MAD5XIN")->setCurrentIndex(20);
    setText("MAD5XS", "00100");
    setText("ADSADR5", "099");
    box("ADFART5")->setCurrentIndex(1);
    typeInto("MPD7USE", "6_Command 6");
    setText("PUSADR7", "777");
    // … their own Set sends them, and their neighbours still send their defaults.
    expectSent("Button13", "HQLNVE#ZDAD05:4,123,2,20,00100,099,1#");
    expectSent("Button11", "HQLNVE#ZDAD07:0,001,4,00,00001,014,0#");
    expectSent("Button12", "HQLNVE#ZDAD06:0,001,4,00,00001,012,0#");
    expectSent("Button14", "HQLNVE#ZDPU07:6,001,4,00,00001,777,0#");
    expectSent("Button29", "HQLNVE#ZDPU08:0,001,4,00,00001,028,0#");
    expectSent("Button16", "HQLNVE#ZDPU05:0,001,4,00,00001,024,0#");
}

TEST_F(ChannelPagesTest, AnalogReplyFillsOnlyItsRowsAndReturnsReplyModeToZero) {
    expectSent("Button5", "PPPPPP#QX2#");
    answer("ZDAD03:2,005,2,11,00010,004,1");
    EXPECT_EQ(form->ReplyMode(), 0);
    EXPECT_EQ(memo(), "ZDAD03:2,005,2,11,00010,004,1");
    EXPECT_EQ(box("MAD3USE")->currentText(), "2_Command 2");
    EXPECT_EQ(text("MAD3MADR"), "005");
    EXPECT_EQ(text("MAD3DADR"), "2");
    EXPECT_EQ(box("MAD3XIN")->currentText(), "11-BCD(high low order)");
    EXPECT_EQ(text("MAD3XS"), "00010");
    EXPECT_EQ(text("ADSADR3"), "004");
    EXPECT_EQ(box("ADFART3")->currentText(), "1_2143");
    for (int n : {1, 2, 4, 16}) EXPECT_EQ(row(analog, n), defaults(analog, n)) << n;
    // The same record sent back with Set, byte for byte.
    expectSent("Button172", "HQLNVE#ZDAD03:2,005,2,11,00010,004,1#");

    // After the parse, a late block is dropped.
    pty.write("ZDAD01:1,002,4,03,00100,010,0");
    QTest::qWait(900);
    EXPECT_EQ(row(analog, 1), defaults(analog, 1));
}

TEST_F(ChannelPagesTest, QueryForTheFirstHalfTakesTheSecondHalfItCarries) {
    expectSent("Button5", "PPPPPP#QX2#");
    std::string reply;
    for (int n = 9; n <= 16; ++n)
        reply += "ZDAD" + protocol::ChannelDigits(n) + ":" + std::to_string(n % 7) + ";0" +
                 protocol::ChannelDigits(n) + ";3;" + protocol::ChannelDigits(n + 8) + ";00002;1" +
                 protocol::ChannelDigits(n) + ";1\r\n";
    ASSERT_LE(reply.size(), 255u);
    answer(reply);
    EXPECT_EQ(form->ReplyMode(), 0);
    for (int n = 9; n <= 16; ++n)
        EXPECT_EQ(row(analog, n),
                  (std::vector<std::string>{std::to_string(n % 7), "0" + protocol::ChannelDigits(n), "3",
                                            std::to_string(n + 8), "00002", "1" + protocol::ChannelDigits(n),
                                            "1"}))
            << n;
    for (int n = 1; n <= 8; ++n) EXPECT_EQ(row(analog, n), defaults(analog, n)) << n;
    EXPECT_EQ(box("MAD16XIN")->currentText(), "24-Scientific notation (3 decimal places)");
}

TEST_F(ChannelPagesTest, TotalizerReplyFillsOnlyItsRows) {
    expectSent("Button9", "PPPPPP#QX4#");
    // Records of channels 7 to 12 answer the query for 1 to 6; "ZDPU" records are not replies.
    answer("ZDPU01:1,002,4,03,00100,010,0 ZDPD03:2,005,4,11,00010,040,1 ZDPD12:5,120,1,24,00012,112,1");
    EXPECT_EQ(form->ReplyMode(), 0);
    EXPECT_EQ(row(totalizer, 3), (std::vector<std::string>{"2", "005", "4", "11", "00010", "040", "1"}));
    EXPECT_EQ(box("MPD3XIN")->currentText(), "11-BCD(high low order)");
    EXPECT_EQ(row(totalizer, 12), (std::vector<std::string>{"5", "120", "1", "24", "00012", "112", "1"}));
    EXPECT_EQ(box("MPD12XIN")->currentText(), "24-Bit Shifting");
    for (int n : {1, 2, 4, 11}) EXPECT_EQ(row(totalizer, n), defaults(totalizer, n)) << n;
    // The analog page is untouched by a totalizer reply.
    for (int n : {1, 3, 12}) EXPECT_EQ(row(analog, n), defaults(analog, n)) << n;
}

TEST_F(ChannelPagesTest, IndexOutsideTheItemsLeavesNoSelectionAndSetSendsMinusOne) {
    expectSent("Button47", "PPPPPP#QX5#");
    answer("ZDPD08:7,001,4,25,00001,028,2");
    for (const char* name : {"MPD8USE", "MPD8XIN", "PUFART8"}) {
        EXPECT_EQ(console::ItemIndex(box(name)), -1) << name;
        EXPECT_EQ(box(name)->currentText(), "") << name;
    }
    expectSent("Button29", "HQLNVE#ZDPU08:-1,001,4,0-1,00001,028,-1#");
}

TEST_F(ChannelPagesTest, ConversionErrorKeepsEarlierFieldsAndReplyModeWhereItStood) {
    // Channel 2: before the analog parser's first return to 0.
    sendBy("Button46", 11);
    answer("ZDAD01:1,002,4,03,00100,010,0ZDAD02:3,005,2,2x,00010,004,1ZDAD07:1,002,4,03,00100,010,0");
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, "'2x' is not a valid integer value");
    EXPECT_EQ(form->ReplyMode(), 202);
    EXPECT_EQ(row(analog, 1), (std::vector<std::string>{"1", "002", "4", "3", "00100", "010", "0"}));
    EXPECT_EQ(row(analog, 2), (std::vector<std::string>{"3", "005", "2", "0", "00001", "002", "0"}));
    EXPECT_EQ(row(analog, 7), defaults(analog, 7));
    // Still 202: the next block is parsed as an analog reply.
    answer("ZDAD04:5,444,4,04,00004,044,1");
    EXPECT_EQ(form->ReplyMode(), 0);
    EXPECT_EQ(row(analog, 4), (std::vector<std::string>{"5", "444", "4", "4", "00004", "044", "1"}));

    // Channel 6: after it, so ReplyMode is already 0 and later blocks are dropped.
    sendBy("Button5", 11);
    answer("ZDAD06:3,006,2,2x,00010,004,1");
    ASSERT_EQ(boxes.size(), 2u);
    EXPECT_EQ(boxes[1].text, "'2x' is not a valid integer value");
    EXPECT_EQ(form->ReplyMode(), 0);
    EXPECT_EQ(text("MAD6MADR"), "006");
    pty.write("ZDAD08:1,888,4,03,00100,010,0");
    QTest::qWait(900);
    EXPECT_EQ(text("MAD8MADR"), "001");

    // The totalizer parser returns only at its end: an error keeps 203.
    sendBy("Button9", 11);
    answer("ZDPD05:1,555,4,0x,00100,010,0");
    ASSERT_EQ(boxes.size(), 3u);
    EXPECT_EQ(boxes[2].text, "'0x' is not a valid integer value");
    EXPECT_EQ(form->ReplyMode(), 203);
    EXPECT_EQ(text("MPD5MADR"), "555");
}

}  // namespace
}  // namespace consoletest

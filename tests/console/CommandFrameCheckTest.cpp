// The check of the Modbus frame typed into a custom command's edit: tooltip,
// accessible description and mark, the two context-menu actions, and the
// bytes the "Set" button sends, which stay exactly as typed.

#include <gtest/gtest.h>

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QSpinBox>

#include <cstring>

#include "console/pages/CommandFrameCheck.h"
#include "console/pages/FrameBuilderDialog.h"
#include "tests/util/PtyPair.h"
#include "tests/console/WindowFixture.h"

using namespace std::chrono_literals;

namespace {

class CommandFrameCheckTest : public consoletest::WindowTest {
protected:
    QLineEdit* Edit(const char* name = "COMDDATA1") { return find<QLineEdit>(name); }
    console::CommandFrameCheck* Check(const char* name = "COMDDATA1") {
        return Edit(name)->findChild<console::CommandFrameCheck*>();
    }
    QAction* MenuAction(QMenu& menu, const char* objectName) {
        for (QAction* action : menu.actions())
            if (action->objectName() == objectName) return action;
        ADD_FAILURE() << "no action " << objectName;
        return nullptr;
    }
    // The colour drawn one pixel inside the edit's left edge, half-way down.
    QColor EdgeColour(QLineEdit* edit) {
        const QImage image = edit->grab().toImage();
        return image.pixelColor(1, image.height() / 2);
    }
};

bool Reddish(const QColor& colour) { return colour.red() > 150 && colour.green() < 80 && colour.blue() < 80; }

TEST_F(CommandFrameCheckTest, TooltipAndMarkFollowTheTypedFrame) {
    const struct {
        const char* frame;
        const char* meaning;
        bool marked;
    } cases[] = {
        {"0103000000044409", "Slave 1 · Read holding registers (3) · from 0 · 4 registers · CRC ok", false},
        {"0103000000014409",
         "Slave 1 · Read holding registers (3) · from 0 · 1 register · CRC is 0x0944, the frame needs 0x0A84", true},
        {"010300000001840", "not a whole number of bytes (15 digits)", false},
        {"010300000001840A", "Slave 1 · Read holding registers (3) · from 0 · 1 register · CRC ok", false},
    };
    for (int group = 1; group <= 6; ++group) {
        const QByteArray name = "COMDDATA" + QByteArray::number(group);
        QLineEdit* edit = Edit(name.constData());
        const QRect geometry = edit->geometry();
        for (const auto& c : cases) {
            edit->setFocus();
            edit->selectAll();
            QTest::keyClicks(edit, c.frame);
            EXPECT_EQ(edit->toolTip(), QString::fromUtf8(c.meaning)) << c.frame;
            EXPECT_EQ(edit->accessibleDescription(), edit->toolTip());
            EXPECT_EQ(Check(name.constData())->Marked(), c.marked) << c.frame;
            EXPECT_EQ(Reddish(EdgeColour(edit)), c.marked) << c.frame;
            EXPECT_EQ(edit->geometry(), geometry);
        }
    }
}

TEST_F(CommandFrameCheckTest, CompleteCrcAppendsOrReplacesAndCanBeUndone) {
    const struct {
        const char* typed;
        const char* completed;
    } cases[] = {
        {"010300000001", "010300000001840A"},      // typed without a CRC
        {"0103000000014409", "010300000001840A"},  // a wrong CRC
        {"110600010003", "1106000100039A9B"},
    };
    QLineEdit* edit = Edit("COMDDATA4");
    for (const auto& c : cases) {
        edit->setText(c.typed);
        auto menu = Check("COMDDATA4")->CreateContextMenu();
        QAction* complete = MenuAction(*menu, "CompleteCrcAction");
        ASSERT_TRUE(complete);
        EXPECT_EQ(complete->text(), "Complete CRC");
        ASSERT_TRUE(complete->isEnabled());
        complete->trigger();
        EXPECT_EQ(edit->text(), c.completed);
        EXPECT_FALSE(Check("COMDDATA4")->Marked());
        edit->undo();
        EXPECT_EQ(edit->text(), c.typed);
    }
    // Nothing to complete: a right frame, or text that is no frame.
    for (const char* typed : {"0103000000044409", "01030", "01G3"}) {
        edit->setText(typed);
        auto menu = Check("COMDDATA4")->CreateContextMenu();
        EXPECT_FALSE(MenuAction(*menu, "CompleteCrcAction")->isEnabled()) << typed;
    }
}

TEST_F(CommandFrameCheckTest, BuildFrameDialogStartsFromTheTypedFrameAndWritesItsFrame) {
    QLineEdit* edit = Edit("COMDDATA2");
    edit->setText("1103006B00037687");
    auto menu = Check("COMDDATA2")->CreateContextMenu();
    QAction* build = MenuAction(*menu, "BuildFrameAction");
    ASSERT_TRUE(build);
    EXPECT_EQ(build->text(), QString::fromUtf8("Build frame…"));
    build->trigger();
    auto* dialog = edit->findChild<console::FrameBuilderDialog*>();
    ASSERT_TRUE(dialog);
    ASSERT_TRUE(waitFor([&] { return dialog->isVisible(); }));
    EXPECT_EQ(dialog->findChild<QSpinBox*>("FrameSlave")->value(), 17);
    EXPECT_EQ(dialog->findChild<QSpinBox*>("FrameStart")->value(), 107);
    EXPECT_EQ(dialog->findChild<QSpinBox*>("FrameCount")->value(), 3);
    EXPECT_EQ(dialog->Frame(), "1103006B00037687");

    auto* function = dialog->findChild<QComboBox*>("FrameFunction");
    function->setCurrentIndex(function->findData(16u));
    dialog->findChild<QSpinBox*>("FrameStart")->setValue(1);
    auto* values = dialog->findChild<QLineEdit*>("FrameValues");
    values->setText("10,x");
    EXPECT_EQ(dialog->Frame(), "");
    EXPECT_EQ(dialog->findChild<QLabel*>("FramePreview")->text(), "'x' is not a number from 0 to 65535");
    values->setText("10,258");
    EXPECT_EQ(dialog->findChild<QLabel*>("FramePreview")->text(), "11100001000204000A0102C6F0");
    dialog->accept();
    EXPECT_EQ(edit->text(), "11100001000204000A0102C6F0");
    // Closed, the dialog goes away.
    ASSERT_TRUE(waitFor([&] { return !edit->findChild<console::FrameBuilderDialog*>(); }));

    // Cancelled, it changes nothing; the edit's mark stays on the edit alone.
    edit->setText("0103000000014409");
    Check("COMDDATA2")->OpenBuilder();
    dialog = edit->findChild<console::FrameBuilderDialog*>();
    ASSERT_TRUE(dialog);
    ASSERT_TRUE(waitFor([&] { return dialog->isVisible(); }));
    EXPECT_FALSE(Reddish(EdgeColour(dialog->findChild<QLineEdit*>("FrameValues"))));
    dialog->findChild<QSpinBox*>("FrameSlave")->setValue(5);
    dialog->reject();
    EXPECT_EQ(edit->text(), "0103000000014409");
}

TEST_F(CommandFrameCheckTest, SetSendsTheFrameExactlyAsTyped) {
    testutil::PtyPair pty;
    openOn(pty.slavePath());
    ASSERT_TRUE(form->PortIsOpen());
    for (const char* frame : {"0103000000014409", "010300000001", "0141", "0103000000044409"}) {
        Edit("COMDDATA1")->setText(frame);
        click("Button73");
        const std::string expected = std::string("HQLNVE#COMW1:0,") + (std::strlen(frame) < 10 ? "0" : "") +
                                     std::to_string(std::strlen(frame)) + frame + "#";
        std::string wire = pty.readAtLeast(expected.size(), 3s);
        EXPECT_EQ(wire + pty.readUntilQuiet(50ms), expected);
    }
    EXPECT_TRUE(boxes.empty());
}

}  // namespace

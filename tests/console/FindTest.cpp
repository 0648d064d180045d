// Find… in the window, against the converter emulator as a separate program.
// On a pseudo-terminal only the baud rate can be seen (Linux clears its
// parity bits): the emulator at 19200 baud, even parity, answers at 19200
// baud, no parity, the first setting at that rate.

#include <QComboBox>
#include <QPushButton>

#include "console/commissioning/CommissionActions.h"
#include "console/commissioning/FindDialog.h"
#include "tests/util/EmulatorProcess.h"
#include "tests/console/WindowFixture.h"
#include "tests/console/WindowsSkips.h"

namespace consoletest {
namespace {

using namespace std::chrono_literals;

class FindTest : public WindowTest {
protected:
    void SetUp() override {
        SKIP_ON_WINDOWS(kEmulatorProgram);
        WindowTest::SetUp();
    }
    console::FindDialog& dialog() { return console::FindDialogOf(*form); }
    QString line() {
        return find<QComboBox>("ComboBox1")->currentText() + " " + find<QComboBox>("ComboBox2")->currentText() + " " +
               find<QComboBox>("ComboBox3")->currentText();
    }
};

TEST_F(FindTest, FindsTheConverterAndOpensThePortAtItsSettings) {
    Emulator emulator({"--baud", "19200", "--parity", "even"});
    type("SPREALCOM", QString::fromStdString(emulator.port()));
    QString asked;
    dialog().SetConfirmer([&](const QString& question) {
        asked = question;
        return true;
    });
    click("FindButton");
    ASSERT_TRUE(waitFor([&] { return !dialog().Running(); }, 60s));
    EXPECT_EQ(dialog().LastReport(), "TQ410-K at 19200 baud, no parity, 1 stop bit; slave address 001");
    EXPECT_TRUE(asked.endsWith("Set the port group to 19200 baud, no parity, 1 stop bit and open the port?"));
    EXPECT_TRUE(form->PortIsOpen());
    EXPECT_EQ(line(), "19200 None 1");
    EXPECT_TRUE(boxes.empty());
}

// Cancelled, or declined, the port group and the port are as they were.
TEST_F(FindTest, CancelOrNoKeepsThePortAsItWas) {
    Emulator emulator({"--baud", "4800"});
    openOn(emulator.port());
    ASSERT_TRUE(form->PortIsOpen());
    click("FindButton");
    ASSERT_TRUE(dialog().Running());
    click("FindCancelButton");
    EXPECT_FALSE(dialog().Running());
    EXPECT_TRUE(dialog().LastReport().startsWith("Search of ")) << dialog().LastReport().toStdString();
    EXPECT_TRUE(form->PortIsOpen());
    EXPECT_EQ(line(), "9600 None 1");

    dialog().SetConfirmer([](const QString&) { return false; });
    click("Button1");  // closed
    click("FindButton");
    ASSERT_TRUE(waitFor([&] { return !dialog().Running(); }, 60s));
    EXPECT_TRUE(dialog().LastReport().startsWith("TQ410-K at 4800 baud")) << dialog().LastReport().toStdString();
    EXPECT_FALSE(form->PortIsOpen());
    EXPECT_EQ(line(), "9600 None 1");
}

TEST_F(FindTest, ASequenceThatGetsNoAnswerOffersFind) {
    Emulator emulator({"--baud", "2400"});
    openOn(emulator.port());
    auto& actions = *static_cast<console::CommissionActions*>(form->findChild<QObject*>("CommissionActions"));
    actions.SetTimeout(300ms);
    click("ReadAllButton");
    ASSERT_TRUE(waitFor([&] { return !actions.Running(); }, 30s));
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_TRUE(boxes[0].text.startsWith("Not read")) << boxes[0].text.toStdString();
    EXPECT_TRUE(boxes[0].text.contains("Find… tries every baud rate, parity and stop-bit setting on this port"));
}

}  // namespace
}  // namespace consoletest

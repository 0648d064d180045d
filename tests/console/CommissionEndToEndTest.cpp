// Read all, write all, verify and profiles in the window, against the
// converter emulator as a separate program.

#include <QApplication>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QStatusBar>

#include <fstream>
#include <sstream>

#include "console/commissioning/CommissionActions.h"
#include "tests/util/EmulatorProcess.h"
#include "tests/util/FaultCases.h"
#include "commission/Profile.h"
#include "tests/console/WindowFixture.h"
#include "tests/console/WindowsSkips.h"
#include "tests/util/TempFolder.h"
#include "console/commissioning/WindowRecord.h"
#include "console/widgets/Marks.h"

namespace consoletest {
namespace {

using namespace std::chrono_literals;
using commission::Configuration;

// A converter configured unlike the factory in every kind of setting it reports.
Configuration UnitSeven() {
    Configuration c = commission::DefaultConfiguration();
    c.values["Edit1"] = std::string("007");
    c.values["ADBESARD"] = std::string("00100");
    c.values["Edit2"] = std::string("025");
    c.values["SENDXIEYI"] = 3;
    c.values["AMR485BT"] = 4;
    c.values["BMR485JN"] = 2;
    c.values["MAD7XS"] = std::string("00010");
    c.values["MAD16XIN"] = 24;
    c.values["MPD12USE"] = 6;
    c.values["PUFART1"] = 1;
    c.values["COMAD6"] = 1;
    c.values["COMDDATA6"] = std::string("0A0B0C");
    c.values["CCOMBY3"] = std::string("7F");
    return c;
}

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

class CommissionTest : public WindowTest {
protected:
    void SetUp() override {
        WindowTest::SetUp();
        dir = testutil::MakeTempFolder("tq410k-profiles");
        actions().SetPathAsker([this](bool) { return QString::fromStdString(nextPath); });
    }
    void TearDown() override {
        WindowTest::TearDown();
        std::filesystem::remove_all(dir);
    }
    console::CommissionActions& actions() {
        return *static_cast<console::CommissionActions*>(form->findChild<QObject*>("CommissionActions"));
    }
    std::string profile(const std::string& name, const Configuration& record) {
        const std::string path = (dir / name).string();
        commission::SaveProfile(path, record);
        return path;
    }
    // Clicks a strip button and waits for its sequence to end.
    void run(const char* button, std::chrono::milliseconds limit = 120s) {
        click(button);
        ASSERT_TRUE(waitFor([&] { return !actions().Running(); }, limit)) << statusText().toStdString();
    }
    void load(const std::string& path) {
        nextPath = path;
        click("LoadProfileButton");
    }
    Configuration window() { return console::ReadWindow(form.get()); }

    std::filesystem::path dir;
    std::string nextPath;
};

TEST_F(CommissionTest, TheRecordMatchesTheWindowsControlsDefaultsAndItems) {
    EXPECT_TRUE(window() == commission::DefaultConfiguration());
    // The last item of every list is an index the record allows; one more is none.
    Configuration last = commission::DefaultConfiguration();
    for (const auto& field : commission::Fields())
        if (field.isIndex) last.values[field.control] = field.itemCount - 1;
    last.values["JIANZHI"] = std::string("104");
    last.values["PCBSN"] = std::string("\xE9t\xE9");  // Latin-1 bytes travel as they are
    console::ShowInWindow(form.get(), last);
    EXPECT_TRUE(window() == last);
    for (const auto& field : commission::Fields()) {
        if (!field.isIndex) continue;
        auto* box = find<QComboBox>(field.control.c_str());
        EXPECT_EQ(box->count(), field.itemCount) << field.control;
    }
}

TEST_F(CommissionTest, ReadAllFillsTheWindowWithTheConvertersProfileAndSavesItAsItCame) {
    SKIP_ON_WINDOWS(kEmulatorProgram);
    const std::string unit7 = profile("unit7.json", UnitSeven());
    Emulator emulator({"--state", unit7});
    openOn(emulator.port());
    ASSERT_TRUE(form->PortIsOpen());
    // The sequence's blocks are shown without the receive handler's settle
    // wait and never parsed into the controls; a page button's still are.
    std::vector<std::string> events;
    form->SetSettleSleep([&](std::chrono::milliseconds) { events.push_back("wait"); });
    QObject::connect(form.get(), &console::TForm1::ReplyParsed, form.get(), [&] { events.push_back("parse"); });
    run("ReadAllButton");
    EXPECT_EQ(actions().LastSummary(), "Read all: read 17 of 17 steps.");
    EXPECT_EQ(statusText(), "Read all: read");
    EXPECT_TRUE(window() == UnitSeven());
    EXPECT_TRUE(find<QPlainTextEdit>("Memo8")->toPlainText().startsWith("COMP06:"));
    EXPECT_EQ(events, std::vector<std::string>{});
    click("Button6");
    ASSERT_TRUE(waitFor([&] { return !events.empty(); }));
    EXPECT_EQ(events, std::vector<std::string>{"wait"});

    nextPath = (dir / "saved.json").string();
    click("SaveProfileButton");
    EXPECT_EQ(ReadFile(nextPath), ReadFile(unit7));
    EXPECT_TRUE(boxes.empty());
}

TEST_F(CommissionTest, LoadWriteAllThenVerifyFindsNoDifferences) {
    SKIP_ON_WINDOWS(kEmulatorProgram);
    Emulator emulator;
    openOn(emulator.port());
    load(profile("unit7.json", UnitSeven()));
    ASSERT_TRUE(window() == UnitSeven());
    run("WriteAllButton");
    // Command 6's frame has no CRC: written as it is, and said so.
    const QString warning = "Warnings (written as they are):\n"
                            "Command 6 \u00B7 Command: no CRC, the frame needs 0xF756 at its end";
    EXPECT_EQ(actions().LastSummary(),
              "Write all: written, 49 of 49 set commands acknowledged; Verify shows what the converter holds.\n"
              "Serial number, Inspector: written, cannot be read back.\n\n" + warning);
    run("VerifyButton");
    EXPECT_EQ(actions().LastSummary(), "No differences: the converter holds every setting checked.\n"
                                       "Serial number, Inspector: cannot be read back, not verified.\n\n" + warning);
    ASSERT_EQ(boxes.size(), 2u);
    EXPECT_EQ(boxes[1].text, actions().LastSummary());
    EXPECT_TRUE(window() == UnitSeven());
}

TEST_F(CommissionTest, VerifyListsAndMarksExactlyTheFieldThatDiffers) {
    SKIP_ON_WINDOWS(kEmulatorProgram);
    Configuration converter = UnitSeven();
    converter.values["MAD7XS"] = std::string("00020");
    converter.values["COMDDATA6"] = std::string("0A0B0D");
    Emulator emulator({"--state", profile("converter.json", converter)});
    openOn(emulator.port());
    load(profile("unit7.json", UnitSeven()));
    run("VerifyButton");
    EXPECT_TRUE(actions().LastSummary().startsWith("Analog 7 \u00B7 Coefficient: window 00010, converter 00020\n"))
        << actions().LastSummary().toStdString();
    EXPECT_EQ(statusText(), "Verify: 2 differences");
    EXPECT_TRUE(window() == UnitSeven());  // the window keeps what it held
    auto* coefficient = find<QLineEdit>("MAD7XS");
    EXPECT_TRUE(coefficient->property("differs").toBool());
    EXPECT_FALSE(find<QLineEdit>("MAD6XS")->property("differs").toBool());
    QTest::keyClick(coefficient, Qt::Key_Backspace);
    EXPECT_FALSE(coefficient->property("differs").toBool());
    // Command 6's frame lacks its CRC: verify's mark and the red frame stand side by side.
    auto* command = find<QLineEdit>("COMDDATA6");
    EXPECT_TRUE(console::HasMark(command, console::Mark::Differs));
    EXPECT_TRUE(console::HasMark(command, console::Mark::WrongCrc));
    EXPECT_TRUE(command->styleSheet().contains("border") && command->styleSheet().contains("background"));
    QTest::keyClicks(command, "11");  // still a frame with a wrong CRC
    EXPECT_FALSE(console::HasMark(command, console::Mark::Differs));
    EXPECT_TRUE(command->styleSheet().contains("border")) << command->styleSheet().toStdString();
}

TEST_F(CommissionTest, EveryFaultSwitchGetsTheCliVerdictAndNoCommandGoesOverAnAnswer) {
    SKIP_ON_WINDOWS(kEmulatorProgram);
    const std::string unit7 = profile("unit7.json", UnitSeven());
    for (const auto& c : FaultCases()) {
        const std::string wire = (dir / "wire.log").string();
        std::vector<std::string> options{"--state", unit7, "--wire-log", wire};
        options.insert(options.end(), c.options.begin(), c.options.end());
        Emulator emulator(options);
        load(unit7);
        openOn(emulator.port());
        actions().SetTimeout(std::chrono::milliseconds(c.timeoutMs));
        boxes.clear();
        run(std::string(c.action) == "write" ? "WriteAllButton" : "VerifyButton");
        EXPECT_EQ(statusText(), c.status) << c.name;
        EXPECT_TRUE(actions().LastSummary().startsWith(c.text)) << c.name << "\n" << actions().LastSummary().toStdString();
        EXPECT_EQ(Overlaps(wire), "") << c.name;
        if (form->PortIsOpen()) click("Button1");  // closed for the next round
    }
}

TEST_F(CommissionTest, ACommandButtonCancelsTheSequenceFirst) {
    SKIP_ON_WINDOWS(kEmulatorProgram);
    Emulator emulator({"--silent"});
    openOn(emulator.port());
    click("ReadAllButton");
    ASSERT_TRUE(actions().Running());
    click("Button6");
    EXPECT_FALSE(actions().Running());
    EXPECT_EQ(actions().LastSummary(), "Not read: cancelled at step 1 of 17 (QX1).\n"
                                       "17 sections were not read and still show earlier values: QX1, QX2, QX3, QX4, "
                                       "QX5, COMR01, COMR02, COMR03, COMR04, COMR05, COMR06, COMP01, COMP02, COMP03, "
                                       "COMP04, COMP05, COMP06.");
    EXPECT_EQ(find<QLineEdit>("discomm")->text(), "PPPPPP#VAR#");
}

TEST_F(CommissionTest, EveryShortcutOfTheStripWorksWithTheFocusInAnEditOrABox) {
    SKIP_ON_WINDOWS(kEmulatorProgram);
    Emulator emulator({"--silent"});
    int asked = 0;
    actions().SetConfirmer([](const QString&) { return true; });
    actions().SetPathAsker([&](bool) {
        ++asked;
        return QString();
    });
    const struct {
        const char* button;
        QKeyCombination keys;
        std::function<bool()> done;
    } cases[] = {
        {"ReadAllButton", Qt::CTRL | Qt::Key_R, [&] { return actions().LastSummary().startsWith("Read all: the port is closed"); }},
        {"WriteAllButton", Qt::CTRL | Qt::Key_W, [&] { return actions().LastSummary().startsWith("Write all: the port is closed"); }},
        {"VerifyButton", Qt::CTRL | Qt::SHIFT | Qt::Key_V, [&] { return actions().LastSummary().startsWith("Verify: the port is closed"); }},
        {"SaveProfileButton", Qt::CTRL | Qt::Key_S, [&] { return asked == 1; }},
        {"LoadProfileButton", Qt::CTRL | Qt::Key_O, [&] { return asked == 1; }},
        {"CancelSequenceButton", QKeyCombination(Qt::Key_Escape), [&] { return !actions().Running(); }},
    };
    for (const char* focus : {"Edit1", "ZMR485BT", "COMDDATA1"}) {
        for (const auto& c : cases) {
            asked = 0;
            if (std::string(c.button) == "CancelSequenceButton") {
                openOn(emulator.port());
                click("ReadAllButton");
                ASSERT_TRUE(actions().Running());
            }
            form->activateWindow();
            ASSERT_TRUE(QTest::qWaitForWindowActive(form.get()));
            auto* widget = form->findChild<QWidget*>(focus);
            widget->setFocus();
            QWidget* target = QApplication::focusWidget() ? QApplication::focusWidget() : widget;
            QTest::keyClick(target, c.keys.key(), c.keys.keyboardModifiers());
            EXPECT_TRUE(waitFor(c.done, 2s)) << focus << " " << c.button;  // a shortcut clicks the button animated
            EXPECT_TRUE(find<QPushButton>(c.button)->toolTip().endsWith(
                "(" + QKeySequence(c.keys).toString(QKeySequence::NativeText) + ")"));
            if (form->PortIsOpen()) click("Button1");
        }
    }
}

TEST_F(CommissionTest, AReadThatFellShortAsksBeforeItIsSavedAsAProfile) {
    SKIP_ON_WINDOWS(kEmulatorProgram);
    Emulator emulator({"--silent"});
    openOn(emulator.port());
    actions().SetTimeout(100ms);
    run("ReadAllButton");
    EXPECT_EQ(statusText(), "Read all: not read");
    QString asked;
    bool answer = false;
    actions().SetConfirmer([&](const QString& question) {
        asked = question;
        return answer;
    });
    nextPath = (dir / "short.json").string();
    click("SaveProfileButton");
    EXPECT_EQ(asked, "17 sections were not read; save anyway?");
    EXPECT_FALSE(std::filesystem::exists(nextPath));
    answer = true;
    click("SaveProfileButton");
    EXPECT_TRUE(std::filesystem::exists(nextPath));
}

TEST_F(CommissionTest, FieldsThatCannotTravelStopWriteAllBeforeAnythingIsSent) {
    int sent = 0;
    QObject::connect(form.get(), &console::TForm1::CommandSent, [&] { ++sent; });
    find<QLineEdit>("Edit2")->setText("ten");
    find<QLineEdit>("COMDDATA4")->setText("010");
    find<QLineEdit>("MPD2XS")->setText("1\u20AC");  // no Latin-1 byte for it
    click("WriteAllButton");
    EXPECT_EQ(sent, 0);
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text,
              "Nothing was sent. These fields cannot be sent:\n"
              "Totalizer 2 \u00B7 Coefficient: \"1\u20AC\" holds \"\u20AC\", which cannot travel on the serial line "
              "(one byte per character, Latin-1 only); nothing was sent\n"
              "Data read interval: 'ten' is not a valid integer value\n"
              "Command 4 \u00B7 Command: Input data must be plural");
}

TEST_F(CommissionTest, ABadProfileIsRefusedWholeAndTheWindowStaysAsItWas) {
    find<QLineEdit>("MAD2XS")->setText("00042");
    const Configuration before = window();
    const struct {
        std::string text;
        std::string fault;
    } files[] = {
        {"{\"format\": \"tq410k-profile\",", "not JSON: parse error at line 1"},
        {[] {
             std::string t = commission::ProfileText(UnitSeven());
             return t.replace(t.find("\"baud\": 4"), 9, "\"baud\": 5");
         }(),
         "MR485A.baud: item index 5 is outside 0 to 4"},
    };
    for (const auto& f : files) {
        const std::string path = (dir / "bad.json").string();
        std::ofstream(path) << f.text;
        boxes.clear();
        load(path);
        ASSERT_EQ(boxes.size(), 1u);
        EXPECT_TRUE(boxes[0].text.startsWith(QString::fromStdString(path + ": " + f.fault)))
            << boxes[0].text.toStdString();
        EXPECT_TRUE(window() == before);
    }
}

}  // namespace
}  // namespace consoletest

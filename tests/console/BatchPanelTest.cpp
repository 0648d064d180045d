// The batch panel against three emulators: one identity per unit, records,
// the batch log, a resume after a crash, and input refused before sending.

#include <QAccessible>
#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QSpinBox>
#include <QTableWidget>

#include <fstream>

#include <nlohmann/json.hpp>

#include "commission/BatchLog.h"
#include "commission/Profile.h"
#include "commission/Sha256.h"
#include "commission/UnitIdentity.h"
#include "console/commissioning/BatchPanel.h"
#include "tests/console/WindowFixture.h"
#include "tests/console/WindowsSkips.h"
#include "tests/util/EmulatorProcess.h"
#include "tests/util/TempFolder.h"

namespace consoletest {
namespace {

using namespace std::chrono_literals;
using commission::Configuration;
namespace fs = std::filesystem;

class BatchPanelTest : public WindowTest {
protected:
    void SetUp() override {
        WindowTest::SetUp();
        dir = testutil::MakeTempFolder("tq410k-batch-window");
        fs::create_directory(dir / "records");
        profile = commission::DefaultConfiguration();
        profile.values["MPD5XS"] = std::string("00100");
        profile.values["BMR485JN"] = 2;
        commission::SaveProfile((dir / "line.json").string(), profile);
        click("BatchButton");
        panel = form->findChild<console::BatchPanel*>("BatchPanel");
        ASSERT_TRUE(panel && panel->isVisible());
        set("BatchProfile", (dir / "line.json").string());
        set("BatchRecordFolder", (dir / "records").string());
        set("BatchLogFile", log());
    }
    void TearDown() override {
        WindowTest::TearDown();
        fs::remove_all(dir);
    }
    void set(const char* edit, const std::string& text) {
        panel->findChild<QLineEdit*>(edit)->setText(QString::fromStdString(text));
    }
    QPushButton* button(const char* name) { return panel->findChild<QPushButton*>(name); }
    std::string log() const { return (dir / "batch.csv").string(); }

    fs::path dir;
    Configuration profile;
    console::BatchPanel* panel = nullptr;
};

TEST_F(BatchPanelTest, ThreeUnitsOnThreeLinksResumingAnEarlierBatch) {
    SKIP_ON_WINDOWS(kEmulatorProgram);
    // An earlier run: one unit done, one cut short by a crash.
    std::ofstream(log()) << commission::BatchLogHeader << "\n00000100,20,007,a,b,PASS,,00000100.json\n"
                         << "00000101,21,007,c,,STARTED,,\n";
    set("BatchFirstSerial", "100");
    panel->findChild<QComboBox*>("BatchInspector")->setEditText("7");
    panel->findChild<QComboBox*>("BatchAddressRule")->setCurrentIndex(2);  // count up
    set("BatchAddress", "20");
    for (int i = 0; i < 3; ++i) {
        const std::string state = (dir / ("unit" + std::to_string(i) + ".json")).string();
        Emulator unit({"--save-state", state});
        openOn(unit.port());
        ASSERT_TRUE(form->PortIsOpen());
        if (i == 0) {
            QApplication::setActiveWindow(panel);
            QTest::keyClick(panel->findChild<QLineEdit*>("BatchAddress"), Qt::Key_Return);  // Enter: the next unit
        }
        else
            QTest::mouseClick(button("BatchNextButton"), Qt::LeftButton);
        ASSERT_TRUE(panel->Running()) << (boxes.empty() ? statusText() : boxes.front().text).toStdString();
        ASSERT_TRUE(waitFor([&] { return !panel->Running(); }, 90s)) << statusText().toStdString();
        const std::string serial = "00000" + std::to_string(102 + i);
        EXPECT_EQ(panel->findChild<QLabel*>("BatchVerdict")->text().toStdString(), "PASS  " + serial);
        EXPECT_EQ(commission::LoadProfile(state), commission::WithIdentity(profile, {serial, "007", 22 + i}));
        for (const char* kind : {".json", ".html", ".pdf"}) EXPECT_TRUE(fs::exists(dir / "records" / (serial + kind)));
        std::ifstream file(dir / "line.json", std::ios::binary), record(dir / "records" / (serial + ".json"));
        EXPECT_EQ(nlohmann::json::parse(record)["profile"]["sha256"],
                  commission::Sha256Hex(std::string(std::istreambuf_iterator<char>(file), {})));
        click("Button1");  // closed between units
    }
    EXPECT_TRUE(boxes.empty()) << boxes.front().text.toStdString();
    std::ifstream pdf(dir / "records" / "00000104.pdf", std::ios::binary);
    std::string magic(4, '\0');
    pdf.read(magic.data(), 4);
    EXPECT_EQ(magic, "%PDF");
    EXPECT_EQ(panel->findChild<QTableWidget*>("BatchTable")->rowCount(), 3);
    // The window shows what it held before, not the last converter's values.
    EXPECT_EQ(find<QLineEdit>("PCBSN")->text(), "00000000");
    const commission::BatchLog batch(log());
    std::vector<std::string> results;
    for (const auto& e : batch.Entries()) results.push_back(e.serial + " " + e.result);
    EXPECT_EQ(results, (std::vector<std::string>{"00000100 PASS", "00000101 STARTED", "00000102 STARTED",
                                                 "00000102 PASS", "00000103 STARTED", "00000103 PASS",
                                                 "00000104 STARTED", "00000104 PASS"}));
}

TEST_F(BatchPanelTest, WrongInputIsRefusedBeforeAnythingIsSent) {
    SKIP_ON_WINDOWS(kEmulatorProgram);
    Emulator unit({"--save-state", (dir / "unit.json").string()});
    openOn(unit.port());
    std::ofstream(dir / "units.csv") << "serial,inspector,address\n1,7,5\n1,7,6\n";
    const struct {
        const char* edit;
        std::string text;
        const char* message;
    } cases[] = {
        {.edit = "BatchFirstSerial", .text = "123456789", .message = "not a number of at most 8 digits"},
        {.edit = "BatchUnitList", .text = (dir / "units.csv").string(),
         .message = "line 3: column 1 (serial): serial number 00000001 is already on line 2"},
        {.edit = "BatchRecordFolder", .text = (dir / "line.json").string(), .message = "not a folder"},
    };
    for (const auto& c : cases) {
        set("BatchFirstSerial", "1");
        set("BatchUnitList", "");
        set("BatchRecordFolder", (dir / "records").string());
        set(c.edit, c.text);
        boxes.clear();
        click("BatchButton");
        QTest::mouseClick(button("BatchNextButton"), Qt::LeftButton);
        EXPECT_FALSE(panel->Running());
        ASSERT_EQ(boxes.size(), 1u) << c.message;
        EXPECT_TRUE(boxes[0].text.contains(c.message)) << boxes[0].text.toStdString();
    }
    EXPECT_FALSE(fs::exists(log()));
    EXPECT_EQ(commission::LoadProfile((dir / "unit.json").string()), commission::DefaultConfiguration());

    // Skip gives the next number up without sending.
    set("BatchFirstSerial", "1");
    QTest::mouseClick(button("BatchSkipButton"), Qt::LeftButton);
    EXPECT_EQ(commission::BatchLog(log()).Find("00000001")->result, "SKIPPED");

    // A unit list goes on with its first unit that the log does not hold.
    std::ofstream(dir / "two.csv") << "serial,inspector,address\n5000,104,9\n5001,104,\n";
    set("BatchUnitList", (dir / "two.csv").string());
    QTest::mouseClick(button("BatchSkipButton"), Qt::LeftButton);
    QTest::mouseClick(button("BatchSkipButton"), Qt::LeftButton);
    EXPECT_EQ(commission::BatchLog(log()).Find("00005000")->address, "9");
    EXPECT_EQ(commission::BatchLog(log()).Find("00005001")->inspector, "104");
    boxes.clear();
    QTest::mouseClick(button("BatchSkipButton"), Qt::LeftButton);
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_TRUE(boxes[0].text.contains("every unit of the list is in the batch log"));
    set("BatchUnitList", "");

    // A page's button pressed during a unit stops it first; the unit fails.
    set("BatchRecordFolder", (dir / "records").string());
    QTest::mouseClick(button("BatchNextButton"), Qt::LeftButton);
    ASSERT_TRUE(panel->Running());
    // One sequence at a time: the strip's own runs wait, saving a profile does not.
    const auto strip = [&](const char* name) { return form->findChild<QPushButton*>(name)->isEnabled(); };
    const char* waiting[] = {"ReadAllButton", "WriteAllButton", "VerifyButton", "LoadProfileButton"};
    for (const char* name : waiting) EXPECT_FALSE(strip(name)) << name;
    EXPECT_TRUE(strip("SaveProfileButton"));
    click("Button6");
    EXPECT_FALSE(panel->Running());
    for (const char* name : waiting) EXPECT_TRUE(strip(name)) << name;
    const auto stopped = commission::BatchLog(log()).Find("00000002");
    EXPECT_EQ(stopped->result, "FAIL");
    EXPECT_NE(stopped->differences.find("Not written: cancelled at step 1 of 49"), std::string::npos)
        << stopped->differences;
    EXPECT_TRUE(panel->findChild<QLabel*>("BatchVerdict")->text().startsWith("FAIL  00000002"));

    // A converter that does not answer is said in a box: the port, its line and what to check.
    Emulator silent({"--silent"});
    click("Button1");
    openOn(silent.port());
    form->findChild<QSpinBox*>("StepTimeoutBox")->setValue(1);
    boxes.clear();
    QTest::mouseClick(button("BatchNextButton"), Qt::LeftButton);
    ASSERT_TRUE(waitFor([&] { return !panel->Running(); }, 10s));
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_TRUE(boxes[0].text.contains("No answer from " + QString::fromStdString(silent.port()))) << boxes[0].text.toStdString();
}

// A screen reader names every control of the panel after its label (a combo
// box, whose name Qt reports as its text, by its description).
TEST_F(BatchPanelTest, EveryControlCarriesItsLabelAsItsAccessibleName) {
    const struct {
        const char* control;
        const char* name;
    } cases[] = {
        {.control = "BatchProfile", .name = "Profile"},
        {.control = "BatchProfileBrowse", .name = "Browse for the profile"},
        {.control = "BatchFirstSerial", .name = "First serial number"},
        {.control = "BatchInspector", .name = "Inspector"},
        {.control = "BatchAddressRule", .name = "Slave address rule"},
        {.control = "BatchAddress", .name = "Slave address"},
        {.control = "BatchUnitList", .name = "Unit list"},
        {.control = "BatchUnitListBrowse", .name = "Browse for the unit list"},
        {.control = "BatchRecordFolder", .name = "Record folder"},
        {.control = "BatchRecordFolderBrowse", .name = "Browse for the record folder"},
        {.control = "BatchLogFile", .name = "Batch log"},
        {.control = "BatchLogFileBrowse", .name = "Browse for the batch log"},
        {.control = "BatchVerdict", .name = "Ready"},  // its text, read as it changes
        {.control = "BatchTable", .name = "Units of the batch"},
        {.control = "BatchNextButton", .name = "Commission next unit"},
        {.control = "BatchSkipButton", .name = "Skip"},
        {.control = "BatchStopButton", .name = "Stop"},
    };
    for (const auto& c : cases) {
        auto* widget = panel->findChild<QWidget*>(c.control);
        ASSERT_NE(widget, nullptr) << c.control;
        QAccessibleInterface* a = QAccessible::queryAccessibleInterface(widget);
        ASSERT_NE(a, nullptr) << c.control;
        const QString read = qobject_cast<QComboBox*>(widget) ? a->text(QAccessible::Description)
                                                               : a->text(QAccessible::Name);
        EXPECT_EQ(read, QString(c.name)) << c.control;
    }
}

}  // namespace
}  // namespace consoletest

// The whole window against converter emulators that someone else started and
// named in the environment (scripts/windows-test does so under Wine):
//   TQ_TEST_EMULATOR_PORT  the port of an emulator that answers;
//   TQ_TEST_SILENT_PORT    the port of one started with --silent.
// Without them the tests skip.

#include <QLabel>
#include <QLineEdit>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>

#include "commission/BatchLog.h"
#include "commission/Profile.h"
#include "console/commissioning/BatchPanel.h"
#include "console/commissioning/CommissionActions.h"
#include "console/commissioning/WindowRecord.h"
#include "tests/console/WindowFixture.h"
#include "tests/util/TempFolder.h"

namespace consoletest {
namespace {

using namespace std::chrono_literals;
namespace fs = std::filesystem;

std::optional<std::string> PortFrom(const char* variable) {
    const char* value = std::getenv(variable);
    if (value == nullptr || *value == 0) return std::nullopt;
    return value;
}

class LinkedEmulatorTest : public WindowTest {
protected:
    void TearDown() override {
        WindowTest::TearDown();
        if (!dir.empty()) fs::remove_all(dir);
    }
    console::CommissionActions& actions() {
        return *static_cast<console::CommissionActions*>(form->findChild<QObject*>("CommissionActions"));
    }
    // Clicks a strip button and waits for its sequence to end.
    void run(const char* button) {
        click(button);
        ASSERT_TRUE(waitFor([&] { return !actions().Running(); }, 120s)) << statusText().toStdString();
    }

    fs::path dir;
};

#define PORT_OR_SKIP(name, variable)                                                             \
    const std::optional<std::string> name = PortFrom(variable);                                  \
    if (!name) GTEST_SKIP() << variable " is not set: it names the port of an emulator started " \
                                        "beside the tests (scripts/windows-test sets it)"

TEST_F(LinkedEmulatorTest, ReadAllVerifyAndOneUnitOfABatch) {
    PORT_OR_SKIP(port, "TQ_TEST_EMULATOR_PORT");
    openOn(*port);
    ASSERT_TRUE(form->PortIsOpen()) << (boxes.empty() ? "" : boxes[0].text.toStdString());

    run("ReadAllButton");
    EXPECT_EQ(statusText(), "Read all: read");
    EXPECT_EQ(actions().LastSummary(), "Read all: read 17 of 17 steps.");
    run("VerifyButton");
    EXPECT_EQ(statusText(), "Verify: no differences");
    EXPECT_TRUE(actions().LastSummary().startsWith("No differences")) << actions().LastSummary().toStdString();

    // The converter's own settings as the batch's profile, one unit commissioned with them.
    dir = testutil::MakeTempFolder("tq410k-linked");
    fs::create_directory(dir / "records");
    commission::SaveProfile((dir / "line.json").string(), console::ReadWindow(form.get()));
    click("BatchButton");
    auto* panel = form->findChild<console::BatchPanel*>("BatchPanel");
    ASSERT_TRUE(panel && panel->isVisible());
    const auto set = [&](const char* edit, const std::string& text) {
        panel->findChild<QLineEdit*>(edit)->setText(QString::fromStdString(text));
    };
    set("BatchProfile", (dir / "line.json").string());
    set("BatchRecordFolder", (dir / "records").string());
    set("BatchLogFile", (dir / "batch.csv").string());
    set("BatchFirstSerial", "4100");
    panel->findChild<QComboBox*>("BatchInspector")->setEditText("7");
    boxes.clear();
    QTest::mouseClick(panel->findChild<QPushButton*>("BatchNextButton"), Qt::LeftButton);
    ASSERT_TRUE(panel->Running()) << (boxes.empty() ? statusText() : boxes.front().text).toStdString();
    ASSERT_TRUE(waitFor([&] { return !panel->Running(); }, 180s)) << statusText().toStdString();
    EXPECT_EQ(panel->findChild<QLabel*>("BatchVerdict")->text().toStdString(), "PASS  00004100");
    EXPECT_TRUE(boxes.empty()) << boxes.front().text.toStdString();
    for (const char* kind : {".json", ".html", ".pdf"})
        EXPECT_TRUE(fs::exists(dir / "records" / (std::string("00004100") + kind))) << kind;
    std::ifstream pdf(dir / "records" / "00004100.pdf", std::ios::binary);
    std::string magic(4, '\0');
    pdf.read(magic.data(), 4);
    EXPECT_EQ(magic, "%PDF");
    const auto entry = commission::BatchLog((dir / "batch.csv").string()).Find("00004100");
    ASSERT_TRUE(entry);
    EXPECT_EQ(entry->result, "PASS");
}

TEST_F(LinkedEmulatorTest, ASilentConverterIsNotVerified) {
    PORT_OR_SKIP(port, "TQ_TEST_SILENT_PORT");
    openOn(*port);
    ASSERT_TRUE(form->PortIsOpen()) << (boxes.empty() ? "" : boxes[0].text.toStdString());
    actions().SetTimeout(1s);
    run("VerifyButton");
    EXPECT_EQ(statusText(), "Verify: not verified");
    EXPECT_TRUE(actions().LastSummary().startsWith("Not verified: 2 of 17 steps got no answer: QX1, QX2.\n"
                                                   "No answer from " + QString::fromStdString(*port)))
        << actions().LastSummary().toStdString();
}

}  // namespace
}  // namespace consoletest

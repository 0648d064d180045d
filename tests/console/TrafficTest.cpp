// The traffic log through the window: what it records and its window.

#include <QApplication>
#include <QClipboard>
#include <QLabel>
#include <QPlainTextEdit>
#include <QTableView>

#include "protocol/Protocol.h"
#include "tests/util/PtyPair.h"
#include "console/traffic/TrafficRecorder.h"
#include "console/traffic/TrafficWindow.h"
#include "tests/console/WindowFixture.h"
#include "tests/console/WindowsSkips.h"

namespace consoletest {
namespace {

using namespace std::chrono_literals;
using console::TrafficEntry;
using Kind = TrafficEntry::Kind;

class TrafficTest : public WindowTest {
protected:
    console::TrafficLog& log() { return form->findChild<console::TrafficRecorder*>()->Log(); }
    std::vector<std::pair<Kind, std::string>> entries() {
        std::vector<std::pair<Kind, std::string>> all;
        for (auto n = log().FirstNumber(); n < log().EndNumber(); ++n)
            all.emplace_back(log().ByNumber(n).kind, log().ByNumber(n).bytes);
        return all;
    }
    QString memo() { return find<QPlainTextEdit>("Memo8")->toPlainText(); }
};

TEST_F(TrafficTest, RecordsSentShownAndDroppedBlocksAndTheLostPortWithoutChangingTheWindow) {
    testutil::PtyPair pty;
    openOn(pty.slavePath());
    ASSERT_TRUE(form->PortIsOpen());
    pty.write("EARLY");  // before any command: the reply table drops it
    ASSERT_TRUE(waitFor([&] { return log().Size() >= 2; }));
    click("Button6");
    const std::string query = protocol::ComposeCommand(protocol::QueryPrefix, "VAR");
    ASSERT_EQ(pty.readAtLeast(query.size(), 5s), query);
    pty.write("TQ410-K V3.0\r\n");
    ASSERT_TRUE(waitFor([&] { return memo().startsWith("TQ410-K"); }));
    EXPECT_EQ(form->ReceivedText(), "TQ410-K V3.0\r\n");
    pty.closeMaster();
    ASSERT_TRUE(waitFor([&] { return !form->PortIsOpen(); }));

    const auto all = entries();
    ASSERT_EQ(all.size(), 5u);
    EXPECT_EQ(all[0].first, Kind::Port);
    EXPECT_EQ(all[0].second, "Opened: " + pty.slavePath() + " 9600 8N1, DTR off, RTS off");
    EXPECT_EQ(all[1], std::make_pair(Kind::Dropped, std::string("EARLY")));
    EXPECT_EQ(all[2], std::make_pair(Kind::Sent, query));
    EXPECT_EQ(all[3], std::make_pair(Kind::Received, std::string("TQ410-K V3.0\r\n")));
    EXPECT_EQ(all[4], std::make_pair(Kind::Port, "Lost: " + all[0].second.substr(8)));

    // Clicking a command with the port closed: recorded as not sent.
    click("Button6");
    EXPECT_EQ(entries().back(), std::make_pair(Kind::NotSent, query));
    EXPECT_TRUE(boxes.empty());
}

TEST_F(TrafficTest, TheWindowShowsTheLogInBatchesHoldsStillWhenPausedAndCopiesLines) {
    click("TrafficButton");
    auto* window = form->findChild<console::TrafficWindow*>();
    ASSERT_NE(window, nullptr);
    ASSERT_TRUE(window->isVisible());
    auto& model = window->Model();
    auto add = [&](const std::string& bytes) { log().Append({.time = {}, .kind = Kind::Received, .bytes = bytes}); };
    add("one\r");
    add("two");
    EXPECT_EQ(model.rowCount(), 0);  // not one update per block
    ASSERT_TRUE(waitFor([&] { return model.rowCount() == 2; }));
    EXPECT_EQ(model.index(0, console::TrafficModel::Content).data().toString(), "one<0D>");
    EXPECT_EQ(model.index(1, console::TrafficModel::Length).data().toString(), "3");

    find<QPushButton>("TrafficHex")->click();
    EXPECT_EQ(model.index(0, console::TrafficModel::Content).data().toString(), "6F 6E 65 0D  one.");

    find<QPushButton>("TrafficPause")->click();
    add("three");
    window->Flush();
    EXPECT_EQ(model.rowCount(), 2);
    EXPECT_TRUE(find<QLabel>("TrafficCounts")->text().contains("1 not shown"));
    find<QPushButton>("TrafficPause")->click();
    EXPECT_EQ(model.rowCount(), 3);

    auto* table = find<QTableView>("TrafficTable");
    table->selectRow(1);
    EXPECT_EQ(window->SelectedText(),
              QString::fromStdString(console::FormatLine(log().ByNumber(1), console::TrafficForm::Hex)) + "\n");
    window->activateWindow();
    table->setFocus();
    QTest::keyClick(table, Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(QApplication::clipboard()->text(), window->SelectedText());

    find<QPushButton>("TrafficClear")->click();
    EXPECT_EQ(model.rowCount(), 0);
    EXPECT_EQ(log().Size(), 0u);
}

}  // namespace
}  // namespace consoletest

// Reconnect: a lost port is opened again with its settings when its device
// returns, and only then.

#include <filesystem>

#include <QCheckBox>
#include <QPlainTextEdit>

#include "console/devices/Reconnect.h"
#include "console/traffic/TrafficRecorder.h"
#include "tests/console/WindowFixture.h"
#include "tests/console/WindowsSkips.h"
#include "tests/util/EmulatorProcess.h"
#include "tests/util/PtyPair.h"
#include "tests/util/TempFolder.h"

namespace consoletest {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using Kind = console::TrafficEntry::Kind;

class ReconnectTest : public WindowTest {
protected:
    void tickReconnect() { find<QCheckBox>("ReconnectCheck")->setChecked(true); }
    static bool exists(const std::string& path) { return fs::exists(fs::symlink_status(path)); }
    // Waits until the emulator's link has gone and come back, then gives the
    // window time to react to it.
    void waitForLinkBack(const std::string& link) {
        ASSERT_TRUE(waitFor([&] { return !exists(link); }, 10s));
        ASSERT_TRUE(waitFor([&] { return exists(link); }, 10s));
        QTest::qWait(500);
    }
    QString memo() { return find<QPlainTextEdit>("Memo8")->toPlainText(); }
    // The traffic log's entries: what reconnect noted, what the port did.
    std::vector<std::pair<Kind, std::string>> entries() {
        const auto& log = form->findChild<console::TrafficRecorder*>()->Log();
        std::vector<std::pair<Kind, std::string>> all;
        for (auto n = log.FirstNumber(); n < log.EndNumber(); ++n)
            all.emplace_back(log.ByNumber(n).kind, log.ByNumber(n).bytes);
        return all;
    }
    bool logHas(const std::string& start) {
        for (const auto& [kind, text] : entries())
            if (kind == Kind::Port && text.rfind(start, 0) == 0) return true;
        return false;
    }
};

TEST_F(ReconnectTest, ReopensTheReturningPortWithTheLostSettingsAndTheNextReplyIsParsed) {
    SKIP_ON_WINDOWS(kEmulatorProgram);
    Emulator emulator({"--blink", "300"});
    type("ComboBox1", "9600");
    find<QCheckBox>("CheckBox1")->setChecked(false);  // RTS off
    tickReconnect();
    openOn(emulator.port());
    ASSERT_TRUE(form->PortIsOpen());
    click("Button6");
    ASSERT_TRUE(waitFor([&] { return memo().startsWith("TQ410-K"); }));
    ASSERT_TRUE(waitFor([&] { return !form->PortIsOpen(); }, 10s));
    // Meanwhile someone changes the port group: the lost open's settings are used all the same.
    type("ComboBox1", "19200");
    ASSERT_TRUE(waitFor([&] { return form->PortIsOpen(); }, 10s));
    EXPECT_TRUE(statusText().startsWith("Reconnected: " + QString::fromStdString(emulator.port()) + " 9600 8N1 after "))
        << statusText().toStdString();
    EXPECT_FALSE(find<QCheckBox>("CheckBox1")->isChecked());
    EXPECT_EQ(form->Comm1().RtsControl(), serial::TRtsControl::RtsDisable);
    EXPECT_TRUE(logHas("Lost: "));
    EXPECT_TRUE(logHas("Reconnected: " + emulator.port() + " 9600 8N1 after "));

    int parsed = 0;
    QObject::connect(form.get(), &console::TForm1::ReplyParsed, form.get(), [&](int) { ++parsed; });
    click("Button49");  // parameter query: its reply is parsed into the page
    ASSERT_TRUE(waitFor([&] { return parsed > 0; }, 10s));
    EXPECT_TRUE(boxes.empty());
}

TEST_F(ReconnectTest, LeavesThePortClosedWhenOffOrWhenTheUserClosedIt) {
    SKIP_ON_WINDOWS(kEmulatorProgram);
    for (const bool userCloses : {false, true}) {
        SCOPED_TRACE(userCloses ? "closed by the user" : "reconnect off");
        Emulator emulator({"--blink", "300"});
        find<QCheckBox>("ReconnectCheck")->setChecked(userCloses);
        openOn(emulator.port());
        ASSERT_TRUE(form->PortIsOpen());
        // A command whose reply the window drops, so that nothing waits 300 ms
        // before the close: the emulator drops its port half a second after replying.
        form->SendCommand(protocol::ComposeCommand(protocol::QueryPrefix, "VAR"), std::nullopt);
        ASSERT_TRUE(waitFor([&] { return entries().back().first == Kind::Dropped; }));
        if (userCloses) click("Button1");
        waitForLinkBack(emulator.port());
        EXPECT_FALSE(form->PortIsOpen());
        EXPECT_FALSE(form->findChild<console::Reconnect*>()->Waiting());
        EXPECT_FALSE(logHas("Reconnected"));
        EXPECT_TRUE(boxes.empty());
    }
}

// A pseudo-terminal behind a link in a folder of the test's own, opened and
// then lost with Reconnect ticked.
class LostLinkTest : public ReconnectTest {
protected:
    void SetUp() override {
        SKIP_ON_WINDOWS(kLinkedPort);
        ReconnectTest::SetUp();
        dir = testutil::MakeTempFolder("tq410k-relink");
        link = dir / "port";
        fs::create_symlink(pty.slavePath(), link);
        tickReconnect();
        openOn(link.string());
        ASSERT_TRUE(form->PortIsOpen());
        pty.closeMaster();
        ASSERT_TRUE(waitFor([&] { return waiting(); }));
        EXPECT_TRUE(statusText().contains("waiting for")) << statusText().toStdString();
    }
    void TearDown() override {
        if (dir.empty()) return;  // skipped
        ReconnectTest::TearDown();
        fs::remove_all(dir);
    }
    bool waiting() { return form->findChild<console::Reconnect*>()->Waiting(); }
    void relink(const std::string& target) {
        fs::create_symlink(target, dir / "new");
        fs::rename(dir / "new", link);
    }

    testutil::PtyPair pty;
    fs::path dir, link;
};

TEST_F(LostLinkTest, ARefusedReopenEndsTheWaitingWithTheUsualBox) {

    // Back, but not as a serial port.
    relink("/dev/null");
    ASSERT_TRUE(waitFor([&] { return !boxes.empty(); }));
    EXPECT_EQ(boxes[0].text, "File handle is not a comm handle ");
    EXPECT_FALSE(waiting());
    EXPECT_FALSE(form->PortIsOpen());

    // No second attempt when it comes back once more.
    testutil::PtyPair another;
    relink(another.slavePath());
    QTest::qWait(300);
    EXPECT_FALSE(form->PortIsOpen());
    EXPECT_EQ(boxes.size(), 1u);
}

TEST_F(LostLinkTest, AClickOnOpenEndsTheWaitingEvenWhenThatOpenFails) {
    fs::remove(link);
    click("Button1");
    EXPECT_EQ(boxes.size(), 1u);  // nothing to open
    EXPECT_FALSE(waiting());
    testutil::PtyPair another;
    relink(another.slavePath());
    QTest::qWait(300);
    EXPECT_FALSE(form->PortIsOpen());
}

}  // namespace
}  // namespace consoletest

// The device watcher (through a fake of udev's events and a real file watch),
// which device a lost port waits for, and the port list following devices.

#include <gtest/gtest.h>

#include <fcntl.h>
#include <unistd.h>
#ifdef _WIN32
#include <io.h>
#endif

#include <deque>
#include <filesystem>
#include <fstream>

#include <QAbstractItemView>
#include <QCheckBox>
#include <QTest>

#include "console/devices/DeviceWatcher.h"
#include "console/window/PortComboBox.h"
#include "console/devices/ReconnectTarget.h"
#include "console/Console.h"
#include "console/devices/Reconnect.h"
#include "tests/console/WindowFixture.h"
#include "tests/console/WindowsSkips.h"
#include "tests/util/PtyPair.h"
#include "tests/util/TempFolder.h"

namespace {

using console::DeviceEvent;
using console::DeviceWatcher;
namespace fs = std::filesystem;

// udev's monitor played by the test: readable while events wait.
class FakeDeviceEvents : public console::DeviceEventSource {
public:
    FakeDeviceEvents() {
#ifdef _WIN32
        if (::_pipe(pipe_, 64, O_BINARY) != 0) throw std::runtime_error("no pipe");
#else
        if (::pipe2(pipe_, O_NONBLOCK | O_CLOEXEC) != 0) throw std::runtime_error("no pipe");
#endif
    }
    ~FakeDeviceEvents() override {
        ::close(pipe_[0]);
        ::close(pipe_[1]);
    }
    void Push(DeviceEvent event) {
        events_.push_back(std::move(event));
        if (::write(pipe_[1], "e", 1) != 1) throw std::runtime_error("pipe full");
    }
    int Fd() const override { return pipe_[0]; }
    std::vector<DeviceEvent> Read() override {
        char drain[64];
        while (::read(pipe_[0], drain, sizeof drain) > 0) {}
        std::vector<DeviceEvent> events(events_.begin(), events_.end());
        events_.clear();
        return events;
    }

private:
    int pipe_[2] = {-1, -1};
    std::deque<DeviceEvent> events_;
};

struct Seen {
    bool appeared;
    QString node;
    QStringList links;
    bool operator==(const Seen&) const = default;
};

class DeviceWatcherTest : public ::testing::Test {
protected:
    void SetUp() override {
        dir = testutil::MakeTempFolder("tq410k-watch");
        auto fake = std::make_unique<FakeDeviceEvents>();
        devices = fake.get();
        watcher = std::make_unique<DeviceWatcher>(std::move(fake), nullptr);
        QObject::connect(watcher.get(), &DeviceWatcher::Appeared, [this](const QString& n, const QStringList& l) {
            seen.push_back({true, n, l});
        });
        QObject::connect(watcher.get(), &DeviceWatcher::Gone, [this](const QString& n, const QStringList& l) {
            seen.push_back({false, n, l});
        });
    }
    void TearDown() override {
        watcher.reset();
        fs::remove_all(dir);
    }
    bool waitForSeen(std::size_t count) {
        for (int i = 0; i < 1000 && seen.size() < count; ++i) QTest::qWait(5);
        return seen.size() >= count;
    }
    QString path(const char* name) const { return QString::fromStdString((dir / name).string()); }

    fs::path dir;
    FakeDeviceEvents* devices = nullptr;
    std::unique_ptr<DeviceWatcher> watcher;
    std::vector<Seen> seen;
};

TEST_F(DeviceWatcherTest, ReportsTheDevicesUdevAnnouncesWithTheirLinks) {
    SKIP_ON_WINDOWS(consoletest::kFileWatch);
    devices->Push({.added = true, .node = "/dev/ttyUSB1", .links = {"/dev/serial/by-id/usb-FTDI_A-port0"}});
    devices->Push({.added = false, .node = "/dev/ttyACM0", .links = {}});
    ASSERT_TRUE(waitForSeen(2));
    EXPECT_EQ(seen[0], (Seen{true, "/dev/ttyUSB1", {"/dev/serial/by-id/usb-FTDI_A-port0"}}));
    EXPECT_EQ(seen[1], (Seen{false, "/dev/ttyACM0", {}}));
    EXPECT_TRUE(DeviceWatcher::IsDevicePath("/dev/ttyUSB0"));
    EXPECT_FALSE(DeviceWatcher::IsDevicePath("/tmp/tq410k-emulator"));
}

TEST_F(DeviceWatcherTest, AWatchedFileIsReportedWhenItComesGoesOrIsReplaced) {
    SKIP_ON_WINDOWS(consoletest::kFileWatch);
    const QString link = path("port");
    watcher->WatchFile(link);
    watcher->WatchFile(link);  // once is enough
    std::ofstream(dir / "unrelated") << "x";
    fs::create_symlink("/dev/null", dir / "port");
    ASSERT_TRUE(waitForSeen(1));
    // Re-pointed in one step, as an emulator that comes back does it.
    fs::create_symlink("/dev/zero", dir / "port.new");
    fs::rename(dir / "port.new", dir / "port");
    ASSERT_TRUE(waitForSeen(2));
    fs::remove(dir / "port");
    ASSERT_TRUE(waitForSeen(3));
    QTest::qWait(50);
    EXPECT_EQ(seen, (std::vector<Seen>{{true, link, {}}, {true, link, {}}, {false, link, {}}}));

    watcher->UnwatchFile(link);
    fs::create_symlink("/dev/null", dir / "port");
    QTest::qWait(100);
    EXPECT_EQ(seen.size(), 3u);
}

TEST_F(DeviceWatcherTest, ALostPortWaitsForItsPathOrItsAdapterUnderAnyNode) {
    SKIP_ON_WINDOWS(consoletest::kDevFolder);
    // A /dev of the test's own: an adapter at ttyUSB0 with its by-id name.
    fs::create_directories(dir / "by-id");
    std::ofstream(dir / "ttyUSB0") << "";
    fs::create_symlink("../ttyUSB0", dir / "by-id" / "usb-FTDI_A-port0");
    const std::string node = (dir / "ttyUSB0").string();
    const std::string byId = (dir / "by-id" / "usb-FTDI_A-port0").string();
    const std::string byIdFolder = (dir / "by-id").string();

    auto typed = [](std::string name) {
        console::PortSettings settings;
        settings.name = std::move(name);
        return settings;
    };
    const console::ReconnectTarget typedNode(typed("ttyUSB0-as-typed"), node, byIdFolder);
    EXPECT_EQ(typedNode.ByIdNames(), std::vector<std::string>{byId});
    const console::ReconnectTarget typedById(typed(byId), byId, byIdFolder);
    const console::ReconnectTarget emulatorLink(typed("/tmp/x/port"), "/tmp/x/port", byIdFolder);

    struct Case {
        const console::ReconnectTarget& target;
        std::string node;
        std::vector<std::string> links;
        std::optional<std::string> open;
    };
    const std::string otherNode = (dir / "ttyUSB1").string();
    const Case cases[] = {
        {.target = typedNode, .node = node, .links = {byId}, .open = "ttyUSB0-as-typed"},
        {.target = typedNode, .node = node, .links = {}, .open = "ttyUSB0-as-typed"},  // same path, any adapter
        {.target = typedNode, .node = otherNode, .links = {byId}, .open = otherNode},  // same adapter, new number
        {.target = typedNode, .node = otherNode, .links = {"/dev/serial/by-id/other"}, .open = std::nullopt},
        {.target = typedById, .node = otherNode, .links = {byId}, .open = byId},
        {.target = typedById, .node = node, .links = {}, .open = std::nullopt},  // another adapter at the old node
        {.target = emulatorLink, .node = "/tmp/x/port", .links = {}, .open = "/tmp/x/port"},
        {.target = emulatorLink, .node = "/tmp/x/port2", .links = {}, .open = std::nullopt},
    };
    for (const auto& c : cases) EXPECT_EQ(c.target.NameToOpen(c.node, c.links), c.open) << c.node;

    EXPECT_EQ(console::DescribeReconnected("/dev/ttyUSB0 9600 8N1", 4.2), "Reconnected: /dev/ttyUSB0 9600 8N1 after 4.2 s");
}

TEST_F(DeviceWatcherTest, TheOpenPortListFollowsTheDevices) {
    SKIP_ON_WINDOWS(consoletest::kFileWatch);
    console::TPortComboBox box(nullptr, {"COM1", "COM2"});
    console::FollowDevices(box, *watcher);
    box.show();
    box.showPopup();
    ASSERT_TRUE(box.view()->isVisible());
    box.addItem("/dev/ttyUSB-gone");  // a device the list still shows, now pulled out
    devices->Push({.added = false, .node = "/dev/ttyUSB-gone", .links = {}});
    ASSERT_TRUE(waitForSeen(1));
    EXPECT_EQ(box.findText("/dev/ttyUSB-gone"), -1);

    box.hidePopup();
    box.addItem("/dev/ttyUSB-stays");  // closed: the list is read when it opens
    devices->Push({.added = true, .node = "/dev/ttyUSB9", .links = {}});
    ASSERT_TRUE(waitForSeen(2));
    EXPECT_NE(box.findText("/dev/ttyUSB-stays"), -1);
}

}  // namespace

namespace {

// A device that comes back never reopens a port the user closed, nor one lost
// while Reconnect is off.
class ReturningDeviceTest : public consoletest::WindowTest {};

TEST_F(ReturningDeviceTest, APortTheUserClosedStaysClosedWhenItsDeviceComesBack) {
    SKIP_ON_WINDOWS(consoletest::kFileWatch);
    testutil::PtyPair pty;
    for (const bool reconnectOn : {true, false}) {
        auto fake = std::make_unique<FakeDeviceEvents>();
        FakeDeviceEvents* devices = fake.get();
        DeviceWatcher watcher(std::move(fake), nullptr);
        QCheckBox enabled;
        enabled.setChecked(reconnectOn);
        console::Reconnect reconnect(*form, watcher, enabled, [](const QString&) {});
        bool appeared = false;
        QObject::connect(&watcher, &DeviceWatcher::Appeared, [&] { appeared = true; });
        openOn(pty.slavePath());
        ASSERT_TRUE(form->PortIsOpen());
        click("Button1");
        ASSERT_FALSE(form->PortIsOpen());
        devices->Push({.added = true, .node = pty.slavePath(), .links = {}});
        for (int i = 0; i < 200 && !appeared; ++i) QTest::qWait(5);
        ASSERT_TRUE(appeared);
        QTest::qWait(50);
        EXPECT_FALSE(form->PortIsOpen()) << "Reconnect " << reconnectOn;
    }
}

}  // namespace

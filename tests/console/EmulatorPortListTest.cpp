// The port list offers the link of a converter emulator that is running, made
// where the emulator puts it by default.

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <stdexcept>

#ifndef _WIN32
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;
#endif

#include <QFile>

#include "console/window/PortComboBox.h"
#include "links/EmulatorLink.h"
#include "tests/console/WindowFixture.h"
#include "tests/console/WindowsSkips.h"
#include "tests/util/TempFolder.h"

namespace consoletest {
namespace {

namespace fs = std::filesystem;

// The emulator program with no options, its messages in a file.
class EmulatorRun {
public:
#ifdef _WIN32
    bool Start(const std::string&) { throw std::logic_error("the emulator runs as a Linux program"); }
    std::optional<int> Ended() { return std::nullopt; }
    void Stop() {}
#else
    bool Start(const std::string& said) {
        const char* program = std::getenv("TQ410K_EMULATOR");
        std::string path = program ? program : TQ410K_EMULATOR;
        char* argv[] = {path.data(), nullptr};
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
        posix_spawn_file_actions_addopen(&actions, 2, said.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        const bool started = posix_spawn(&pid_, argv[0], &actions, nullptr, argv, environ) == 0;
        posix_spawn_file_actions_destroy(&actions);
        return started;
    }
    // Its exit status once it has ended (-1 when killed), else nothing.
    std::optional<int> Ended() {
        int status = 0;
        if (pid_ <= 0 || ::waitpid(pid_, &status, WNOHANG) != pid_) return std::nullopt;
        pid_ = -1;
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }
    void Stop() {
        if (pid_ <= 0) return;
        ::kill(pid_, SIGTERM);
        ::waitpid(pid_, nullptr, 0);
        pid_ = -1;
    }

private:
    pid_t pid_ = -1;
#endif
};

class EmulatorPortListTest : public WindowTest {
protected:
    void SetUp() override {
        SKIP_ON_WINDOWS(kEmulatorProgram);
        WindowTest::SetUp();
        if (const char* saved = std::getenv("XDG_RUNTIME_DIR")) savedRuntime_ = saved;
        runtime_ = testutil::MakeTempFolder("tq410k-run");  // private
        qputenv("XDG_RUNTIME_DIR", QFile::encodeName(QString::fromStdString(runtime_.string())));
    }
    void TearDown() override {
        if (runtime_.empty()) return;  // skipped
        stopEmulator();
        if (savedRuntime_) qputenv("XDG_RUNTIME_DIR", QByteArray::fromStdString(*savedRuntime_));
        else qunsetenv("XDG_RUNTIME_DIR");
        fs::remove_all(runtime_);
        WindowTest::TearDown();
    }
    void startEmulator() { ASSERT_TRUE(emulator_.Start(said())); }
    // Waits for the emulator to end on its own; its exit status, or -1.
    int exitStatus() {
        std::optional<int> status;
        if (!waitFor([&] { return (status = emulator_.Ended()).has_value(); })) return -1;
        return *status;
    }
    std::string said() const { return (runtime_ / "said").string(); }
    std::string link() const { return (runtime_ / "tq410k-emulator").string(); }
    void stopEmulator() { emulator_.Stop(); }
    QStringList items() {
        auto* box = find<console::TPortComboBox>("SPREALCOM");
        box->RefreshDevices();
        QStringList all;
        for (int i = 0; i < box->count(); ++i) all << box->itemText(i);
        return all;
    }

    fs::path runtime_;
    std::optional<std::string> savedRuntime_;
    EmulatorRun emulator_;
};

TEST_F(EmulatorPortListTest, ListsTheLinkWhileTheEmulatorRunsAndOpensIt) {
    const QString link = QString::fromStdString((runtime_ / "tq410k-emulator").string());
    ASSERT_EQ(QString::fromStdString(links::DefaultEmulatorLink()), link);
    EXPECT_FALSE(items().contains(link));

    startEmulator();
    ASSERT_TRUE(waitFor([&] { return items().contains(link); }));
    EXPECT_EQ(items().indexOf(link), items().size() - 1) << "after the fixed ports and devices";
    auto* box = find<console::TPortComboBox>("SPREALCOM");
    box->setCurrentIndex(box->findText(link));
    click("Button1");
    EXPECT_TRUE(form->PortIsOpen());
    click("Button1");

    stopEmulator();
    EXPECT_FALSE(items().contains(link));
    EXPECT_FALSE(fs::exists(fs::symlink_status(link.toStdString())));
}

TEST_F(EmulatorPortListTest, TheEmulatorReplacesOnlyItsOwnLink) {
    fs::create_symlink("/dev/pts/9999", link());  // left by an emulator that was killed
    startEmulator();
    ASSERT_TRUE(waitFor([&] { return links::EmulatorLinkIsLive(link()); }));
    stopEmulator();

    {
        std::ofstream(link()) << "someone else's";
    }
    startEmulator();
    EXPECT_EQ(exitStatus(), 1);
    std::ifstream message(said());
    std::string line;
    std::getline(message, line);
    EXPECT_NE(line.find(link() + " exists and was not made by this emulator"), std::string::npos) << line;
    EXPECT_EQ(fs::symlink_status(link()).type(), fs::file_type::regular);
    EXPECT_FALSE(items().contains(QString::fromStdString(link())));
}

}  // namespace
}  // namespace consoletest

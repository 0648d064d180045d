// The port list offers the link of a converter emulator that is running, made
// where the emulator puts it by default.

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>

#include "console/window/PortComboBox.h"
#include "links/EmulatorLink.h"
#include "tests/console/WindowFixture.h"

extern char** environ;

namespace consoletest {
namespace {

namespace fs = std::filesystem;

class EmulatorPortListTest : public WindowTest {
protected:
    void SetUp() override {
        WindowTest::SetUp();
        if (const char* saved = std::getenv("XDG_RUNTIME_DIR")) savedRuntime_ = saved;
        char pattern[] = "/tmp/tq410k-run.XXXXXX";
        ASSERT_NE(::mkdtemp(pattern), nullptr);  // mode 0700: private
        runtime_ = pattern;
        ::setenv("XDG_RUNTIME_DIR", pattern, 1);
    }
    void TearDown() override {
        stopEmulator();
        if (savedRuntime_) ::setenv("XDG_RUNTIME_DIR", savedRuntime_->c_str(), 1);
        else ::unsetenv("XDG_RUNTIME_DIR");
        fs::remove_all(runtime_);
        WindowTest::TearDown();
    }
    // Starts the emulator with no options; its messages go to `said`.
    void startEmulator() {
        const char* program = std::getenv("TQ410K_EMULATOR");
        std::string path = program ? program : TQ410K_EMULATOR;
        char* argv[] = {path.data(), nullptr};
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
        posix_spawn_file_actions_addopen(&actions, 2, said().c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        ASSERT_EQ(posix_spawn(&pid_, argv[0], &actions, nullptr, argv, environ), 0);
        posix_spawn_file_actions_destroy(&actions);
    }
    // Waits for the emulator to end on its own; its exit status, or -1.
    int exitStatus() {
        int status = 0;
        if (!waitFor([&] { return ::waitpid(pid_, &status, WNOHANG) == pid_; })) return -1;
        pid_ = -1;
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }
    std::string said() const { return (runtime_ / "said").string(); }
    std::string link() const { return (runtime_ / "tq410k-emulator").string(); }
    void stopEmulator() {
        if (pid_ <= 0) return;
        ::kill(pid_, SIGTERM);
        ::waitpid(pid_, nullptr, 0);
        pid_ = -1;
    }
    QStringList items() {
        auto* box = find<console::TPortComboBox>("SPREALCOM");
        box->RefreshDevices();
        QStringList all;
        for (int i = 0; i < box->count(); ++i) all << box->itemText(i);
        return all;
    }

    fs::path runtime_;
    std::optional<std::string> savedRuntime_;
    pid_t pid_ = -1;
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

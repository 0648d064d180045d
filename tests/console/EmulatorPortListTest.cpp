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
#include <optional>

#include "EmulatorLink.h"
#include "PortComboBox.h"
#include "WindowFixture.h"

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
    void startEmulator() {
        const char* program = std::getenv("TQ410K_EMULATOR");
        std::string path = program ? program : TQ410K_EMULATOR;
        char* argv[] = {path.data(), nullptr};
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
        ASSERT_EQ(posix_spawn(&pid_, argv[0], &actions, nullptr, argv, environ), 0);
        posix_spawn_file_actions_destroy(&actions);
    }
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
    ASSERT_EQ(QString::fromStdString(protocol::DefaultEmulatorLink()), link);
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

}  // namespace
}  // namespace consoletest

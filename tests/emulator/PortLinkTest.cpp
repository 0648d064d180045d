// The emulator's link to its port: made where only the user can write, and
// never put in place of something it did not make.

#include "PortLink.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>

#include "EmulatorLink.h"

namespace fs = std::filesystem;
using protocol::LinkState;

namespace {

class PortLinkTest : public ::testing::Test {
protected:
    void SetUp() override {
        char pattern[] = "/tmp/tq410k-link.XXXXXX";
        ASSERT_NE(::mkdtemp(pattern), nullptr);
        dir_ = pattern;
        link_ = (dir_ / "port").string();
    }
    void TearDown() override { fs::remove_all(dir_); }
    std::string Target() const { return fs::read_symlink(link_).string(); }

    fs::path dir_;
    std::string link_;
};

TEST_F(PortLinkTest, MakesTheLinkAndRemovesItOnlyWhileItIsStillItsOwn) {
    {
        emulator::PortLink link(link_, "/dev/pts/77");
        EXPECT_EQ(Target(), "/dev/pts/77");
        EXPECT_EQ(protocol::InspectEmulatorLink(link_), LinkState::Own);
        EXPECT_FALSE(protocol::EmulatorLinkIsLive(link_)) << "no such terminal";
    }
    EXPECT_EQ(protocol::InspectEmulatorLink(link_), LinkState::Absent);
    {
        emulator::PortLink link(link_, "/dev/pts/77");
        // A later emulator replaced it: this one leaves the newer link alone.
        fs::remove(link_);
        fs::create_symlink("/dev/pts/78", link_);
    }
    EXPECT_EQ(Target(), "/dev/pts/78");
}

TEST_F(PortLinkTest, ReplacesALinkLeftByAKilledEmulator) {
    fs::create_symlink("/dev/pts/999", link_);
    emulator::PortLink link(link_, "/dev/null");
    EXPECT_EQ(Target(), "/dev/null");
    EXPECT_TRUE(protocol::EmulatorLinkIsLive(link_));
}

TEST_F(PortLinkTest, RefusesAndLeavesAloneWhatItDidNotMake) {
    struct Case {
        const char* what;
        void (*make)(const std::string& path, const fs::path& dir);
    };
    const Case cases[] = {
        {.what = "a plain file",
         .make = [](const std::string& p, const fs::path&) { std::ofstream(p) << "mine"; }},
        {.what = "a folder", .make = [](const std::string& p, const fs::path&) { fs::create_directory(p); }},
        {.what = "a link out of /dev",
         .make = [](const std::string& p, const fs::path& d) { fs::create_symlink(d / "elsewhere", p); }},
        {.what = "a relative link",
         .make = [](const std::string& p, const fs::path&) { fs::create_symlink("../dev/pts/1", p); }},
    };
    for (const auto& c : cases) {
        c.make(link_, dir_);
        const auto before = fs::symlink_status(link_).type();
        EXPECT_EQ(protocol::InspectEmulatorLink(link_), LinkState::Foreign) << c.what;
        try {
            emulator::PortLink link(link_, "/dev/null");
            ADD_FAILURE() << c.what << " was replaced";
        } catch (const std::runtime_error& e) {
            EXPECT_NE(std::string(e.what()).find(link_ + " exists and was not made by this emulator"),
                      std::string::npos)
                << e.what();
        }
        EXPECT_EQ(fs::symlink_status(link_).type(), before) << c.what;
        fs::remove_all(link_);
    }
}

TEST_F(PortLinkTest, RefusesAnotherUsersLinkIntoDev) {
    if (::geteuid() != 0) GTEST_SKIP() << "needs root to make a link owned by someone else";
    fs::create_symlink("/dev/null", link_);
    ASSERT_EQ(::lchown(link_.c_str(), 65534, 65534), 0);
    EXPECT_EQ(protocol::InspectEmulatorLink(link_), LinkState::Foreign);
    EXPECT_FALSE(protocol::EmulatorLinkIsLive(link_));
    EXPECT_THROW(emulator::PortLink(link_, "/dev/zero"), std::runtime_error);
    EXPECT_EQ(Target(), "/dev/null");
}

TEST_F(PortLinkTest, DefaultLinkIsInTheRuntimeFolderOnlyWhenItIsPrivate) {
    const char* saved = std::getenv("XDG_RUNTIME_DIR");
    const std::optional<std::string> restore = saved ? std::optional<std::string>(saved) : std::nullopt;
    const std::string fallbackPrefix = "/tmp/tq410k-emulator-";

    ::chmod(dir_.c_str(), 0700);
    ::setenv("XDG_RUNTIME_DIR", dir_.c_str(), 1);
    EXPECT_EQ(protocol::DefaultEmulatorLink(), (dir_ / "tq410k-emulator").string());
    ::chmod(dir_.c_str(), 0777);
    EXPECT_TRUE(protocol::DefaultEmulatorLink().starts_with(fallbackPrefix));
    ::setenv("XDG_RUNTIME_DIR", "relative/run", 1);
    EXPECT_TRUE(protocol::DefaultEmulatorLink().starts_with(fallbackPrefix));
    ::unsetenv("XDG_RUNTIME_DIR");
    EXPECT_TRUE(protocol::DefaultEmulatorLink().starts_with(fallbackPrefix));
    EXPECT_GT(protocol::DefaultEmulatorLink().size(), fallbackPrefix.size());

    if (restore) ::setenv("XDG_RUNTIME_DIR", restore->c_str(), 1);
}

}  // namespace
